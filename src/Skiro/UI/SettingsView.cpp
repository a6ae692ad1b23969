#include "Skiro/UI/SettingsView.hpp"

#include "Corvale/UI/AboutPane.hpp"
#include "Corvale/UI/QtPanels.hpp"
#include "Corvale/WhatsNew.hpp"
#include "CorvaleCore/Defaults.hpp"
#include "Skiro/AppParts.hpp"
#include "Skiro/UI/GeneralPane.hpp"
#include "Skiro/UI/Icon.hpp"
#include "Skiro/UI/ScrollingPane.hpp"
#include "Skiro/UI/WindowRule.hpp"
#include "Skiro/UI/WindowsUI.hpp"
#include "SkiroEngine/Identity.hpp"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>

#include <memory>
#include <string>

namespace skiro {

namespace {

// Where the window's frame is kept between runs, in the application's defaults.
constexpr const char* frameKey = "NSWindow Frame SkiroSettings";
constexpr int minimumWidth = 700;
constexpr int minimumHeight = 420;

SettingsView::Parts sharedParts() {
    static auto* panels = new corvale::QtPanels();
    const AppParts& parts = appParts();
    return {.settings = parts.settings,
            .live = [&parts]() -> Live& { return parts.live; },
            .tap = [&parts]() -> InputTap& { return parts.tap; },
            .loginItem = parts.system.loginItem(),
            .panels = *panels,
            .updates = corvale::Updates::shared(),
            .open = [&parts](
                        const std::string& address) { parts.system.workspace().openURL(address); }};
}

std::function<SettingsView::Parts()>& partsSource() {
    static auto* source = new std::function<SettingsView::Parts()>();
    return *source;
}

QPointer<SettingsView>& made() {
    static auto* window = new QPointer<SettingsView>();
    return *window;
}

// The application's picture: the menu-bar mark on a rounded tile.
QIcon applicationIcon() {
    const int size = 128;
    QPixmap picture(size, size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 0, size);
    fill.setColorAt(0, QColor(92, 148, 255));
    fill.setColorAt(1, QColor(46, 92, 214));
    painter.setBrush(fill);
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(6, 6, size - 12, size - 12), 26, 26);
    // The mark is a template: its shape in white.
    const QImage white = Icon::tinted(Icon::menuBar(Live::State::running, false, 4), Qt::white);
    QSizeF drawn = QSizeF(white.size()) / 4 * 3.2;
    painter.drawImage(
        QRectF(QPointF((size - drawn.width()) / 2, (size - drawn.height()) / 2), drawn), white);
    painter.end();
    return QIcon(picture);
}

// Keeps the window's frame in the defaults: once a move or resize has settled, and when the
// window is closed.
class FrameKeeper : public QObject {
public:
    explicit FrameKeeper(QWidget* window) : QObject(window), window_(window) {
        settled_.setSingleShot(true);
        settled_.setInterval(500);
        QObject::connect(&settled_, &QTimer::timeout, this, [this] { keep(); });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if ((type == QEvent::Move || type == QEvent::Resize) && window_->isVisible()) {
            settled_.start();
        } else if (type == QEvent::Hide) {
            settled_.stop();
            keep();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void keep() {
        corvale::Defaults::standard().set(frameKey,
                                          window_->saveGeometry().toBase64().toStdString());
    }

    QWidget* window_;
    QTimer settled_;
};

} // namespace

Addresses Addresses::of(const corvale::AppIdentity& identity) {
    const std::string host = corvale::AppIdentity::codeHost;
    const std::string owner = identity.repository.substr(0, identity.repository.find('/'));
    return {.license = host + "/" + identity.repository + "/blob/main/LICENSE",
            .developer = host + "/" + owner,
            .tip = host + "/sponsors/" + owner};
}

SettingsView::SettingsView(Parts parts, QWidget* parent)
    : corvale::SettingsWindow(
          items(SettingsPane::general),
          [parts](int index) mutable {
              return makeDetail(parts, allPanes().at(static_cast<std::size_t>(index)));
          },
          static_cast<int>(SettingsRouter::shared().pane()), 170, parent) {
    SettingsRouter& router = SettingsRouter::shared();
    onPaneChosen = [](int index) {
        SettingsRouter::shared().setPane(allPanes().at(static_cast<std::size_t>(index)));
    };
    routing_ = router.subscribe([this](SettingsPane pane) { setPane(static_cast<int>(pane)); });
}

SettingsPane SettingsView::shownPane() const {
    return allPanes().at(static_cast<std::size_t>(pane()));
}

QWidget* SettingsView::makeDetail(Parts& parts, SettingsPane pane) {
    switch (pane) {
    case SettingsPane::general:
        return new GeneralPane(parts.settings, parts.loginItem, parts.panels);
    case SettingsPane::scrolling:
        return new ScrollingPane(parts.settings, parts.live(), parts.tap());
    case SettingsPane::about:
        break;
    }
    Settings& settings = parts.settings;
    corvale::AboutPane::Flag logging{
        .get = [&settings] { return settings.config().detailedLogging; },
        .set =
            [&settings](bool on) {
                settings.update([on](Config& config) { config.detailedLogging = on; });
            },
        .subscribe =
            [&settings](std::function<void()> changed) {
                return settings.subscribe(
                    [changed = std::move(changed)](const Config&) { changed(); });
            }};
    const Addresses pages = Addresses::of(appIdentity());
    return new corvale::AboutPane(
        applicationIcon(),
        {.tagline = "Your trackpad and your mouse, each scrolling its own way.",
         .requirements = "Requires macOS 14 or later",
         .diagnosticsHave = "its settings, the devices it has seen and how often",
         .privacy = "Nothing about the apps you use or where the pointer was is in them.",
         .detailedAbout = "what it decides for each scroll"},
        {.license = pages.license,
         .developer = pages.developer,
         .tip = pages.tip,
         .open = parts.open,
         .whatsNew = [] { corvale::WhatsNew::showLatest(); }},
        std::move(logging), parts.updates);
}

void SettingsView::useParts(std::function<Parts()> parts) {
    partsSource() = std::move(parts);
}

SettingsView* SettingsView::window() {
    return made().data();
}

void WindowsUI::showSettings(SettingsPane pane) {
    SettingsRouter::shared().setPane(pane);
    QPointer<SettingsView>& window = made();
    if (!window) {
        const std::function<SettingsView::Parts()>& source = partsSource();
        window = new SettingsView(source ? source() : sharedParts());
        window->setObjectName(QStringLiteral("settings"));
        window->setWindowTitle(QStringLiteral("Skiro Settings"));
        window->setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                               Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
        // Closing only hides it; the next opening shows the same window.
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->resize(720, 640);
        // Every pane fits this wide; lower down, they scroll.
        window->setMinimumSize(minimumWidth, minimumHeight);
        std::optional<std::string> frame = corvale::Defaults::standard().data(frameKey);
        if (!frame ||
            !window->restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(*frame)))) {
            WindowsUI::centre(*window);
        }
        window->installEventFilter(new FrameKeeper(window));
    }
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace skiro
