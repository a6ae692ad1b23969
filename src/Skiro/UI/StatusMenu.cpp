#include "Skiro/UI/StatusMenu.hpp"

#include "Corvale/Updates.hpp"
#include "Skiro/AppParts.hpp"
#include "Skiro/Tap/Accessibility.hpp"
#include "Skiro/UI/Icon.hpp"
#include "Skiro/UI/WindowsUI.hpp"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QIcon>
#include <QKeySequence>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace skiro {

std::vector<StatusMenu::Item> StatusMenu::items(const Shown& shown) {
    std::vector<Item> items;
    if (shown.waitingUpdate) {
        items.push_back({.title = "Update to " + *shown.waitingUpdate + "…",
                         .action = Action::checkForUpdates});
        items.push_back(Item::separator());
    }
    if (shown.state == Live::State::running && shown.turnedBackBy) {
        items.push_back({.title = Words::turnedBack(*shown.turnedBackBy), .enabled = false});
        items.push_back(Item::separator());
        items.push_back({.title = "Pause", .action = Action::pause});
    } else {
        switch (shown.state) {
        case Live::State::stopped:
            items.push_back({.title = "Stopped: scrolling kept stalling. It's the system's.",
                             .enabled = false});
            items.push_back({.title = "Start Again", .action = Action::startAgain});
            break;
        case Live::State::paused:
            items.push_back(
                {.title = "Paused. Scrolling follows System Settings.", .enabled = false});
            items.push_back({.title = "Resume", .action = Action::resume});
            break;
        case Live::State::waiting:
            items.push_back(
                {.title = "Waiting for Accessibility…", .action = Action::openAccessibility});
            break;
        case Live::State::running:
            items.push_back({.title = "Pause", .action = Action::pause});
            break;
        }
    }
    items.push_back(Item::separator());
    items.push_back({.title = "Settings…", .action = Action::openSettings, .keyEquivalent = ","});
    if (shown.updatesConfigured) {
        items.push_back({.title = "Check for Updates…",
                         .enabled = shown.canCheckForUpdates,
                         .action = Action::checkForUpdates});
    }
    items.push_back(Item::separator());
    items.push_back({.title = "Quit Skiro", .action = Action::quit, .keyEquivalent = "q"});
    return items;
}

std::string StatusMenu::accessibilityLabel(Live::State state) {
    switch (state) {
    case Live::State::waiting:
        return "Skiro, waiting for Accessibility";
    case Live::State::running:
        return "Skiro";
    case Live::State::paused:
        return "Skiro, paused";
    case Live::State::stopped:
        return "Skiro, stopped";
    }
    return "Skiro";
}

StatusMenu::Shown StatusMenu::current() {
    Live& live = Live::shared();
    corvale::Updates& updates = corvale::Updates::shared();
    return {.state = live.state(),
            .turnedBackBy = live.turnedBackBy(),
            .waitingUpdate = updates.waiting(),
            .updatesConfigured = corvale::Updates::isConfigured(),
            .canCheckForUpdates = updates.canCheck()};
}

StatusMenu::StatusMenu() : menu_(std::make_unique<QMenu>()) {
    // Drawn offscreen there is never a tray. Elsewhere the item is made whether or not a tray
    // is there now: it shows once one appears.
    const QString platform = QGuiApplication::platformName();
    if (platform == QStringLiteral("offscreen") || platform == QStringLiteral("minimal")) {
        update();
        return;
    }
    tray_ = std::make_unique<QSystemTrayIcon>();
    tray_->setContextMenu(menu_.get());
#ifndef Q_OS_MACOS
    // A plain click opens the menu, as it does in the menu bar.
    QObject::connect(tray_.get(), &QSystemTrayIcon::activated, menu_.get(),
                     [menu = menu_.get()](QSystemTrayIcon::ActivationReason reason) {
                         if (reason == QSystemTrayIcon::Trigger) {
                             menu->popup(QCursor::pos());
                         }
                     });
#endif
    // Its icon first, so that showing it has something to show.
    update();
    tray_->show();
}

StatusMenu::~StatusMenu() {
    // The tray item lets go of the menu before the menu goes.
    tray_.reset();
}

void StatusMenu::update() {
    Shown shown = current();
    const QString label = QString::fromStdString(accessibilityLabel(shown.state));
    if (tray_) {
        QIcon icon;
        for (qreal scale : {1, 2}) {
            QImage image = Icon::menuBar(shown.state, shown.waitingUpdate.has_value(), scale);
#ifdef Q_OS_MACOS
            icon.addPixmap(QPixmap::fromImage(image));
#else
            // Trays elsewhere show the image as it is: drawn in the text colour, as the
            // panel's own texts are, rather than black on what may be a dark panel.
            icon.addPixmap(QPixmap::fromImage(
                Icon::tinted(image, QApplication::palette().color(QPalette::WindowText))));
#endif
        }
#ifdef Q_OS_MACOS
        // A template: the menu bar recolours it.
        icon.setIsMask(true);
#endif
        tray_->setIcon(icon);
        tray_->setToolTip(label);
    }
    menu_->setAccessibleName(label);
    menu_->clear();
    for (const Item& item : items(shown)) {
        if (item.isSeparator) {
            menu_->addSeparator();
            continue;
        }
        QAction* action = menu_->addAction(QString::fromStdString(item.title));
        action->setEnabled(item.enabled);
        if (!item.keyEquivalent.empty()) {
            action->setShortcut(
                QKeySequence(QStringLiteral("Ctrl+") + QString::fromStdString(item.keyEquivalent)));
        }
        if (item.action) {
            QObject::connect(action, &QAction::triggered,
                             [chosen = *item.action] { perform(chosen); });
        }
    }
}

void StatusMenu::perform(Action action) {
    switch (action) {
    case Action::checkForUpdates:
        corvale::Updates::shared().checkNow();
        break;
    case Action::pause:
        Live::shared().setPaused(true);
        break;
    case Action::resume:
        Live::shared().setPaused(false);
        break;
    case Action::startAgain:
        Live::shared().startAgain();
        break;
    case Action::openAccessibility:
        appSystem().permissions().isProcessTrustedWithOptions(true);
        Accessibility::openSettings(appSystem());
        break;
    case Action::openSettings:
        WindowsUI::showSettings();
        break;
    case Action::quit:
        QCoreApplication::quit();
        break;
    }
}

} // namespace skiro
