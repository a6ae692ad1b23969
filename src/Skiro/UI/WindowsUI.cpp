#include "Skiro/UI/WindowsUI.hpp"

#include "CorvaleCore/Log.hpp"
#include "Skiro/AppParts.hpp"
#include "Skiro/Live.hpp"
#include "Skiro/LoginItem.hpp"
#include "Skiro/Settings.hpp"
#include "Skiro/Tap/InputTap.hpp"
#include "Skiro/UI/CrashNoteView.hpp"
#include "Skiro/UI/WelcomeWindow.hpp"
#include "Skiro/UI/WhatsNewView.hpp"
#include "Skiro/UI/WindowRule.hpp"

#include <QApplication>
#include <QPointer>

#include <string>

namespace skiro::WindowsUI {

namespace {

std::unique_ptr<WelcomeView> makeWelcome() {
    const AppParts& parts = appParts();
    Live& live = parts.live;
    auto model = std::make_unique<WelcomeModel>(parts.settings, live.systemNatural(), parts.tap,
                                                [](bool on) { LoginItem::set(on); });
    auto view = std::make_unique<WelcomeView>(std::move(model), parts.system, live.isWaiting());
    view->keep(live.subscribe([shown = QPointer<WelcomeView>(view.get())](const Live::Now& now) {
        if (shown) {
            shown->setWaiting(now.waiting);
        }
    }));
    return view;
}

} // namespace

void showWelcome() {
    showFitted("welcome", welcomeWidth, makeWelcome());
}

void showCrashNote(const corvale::CrashNote::Model& model) {
    showFitted("crashNote", 600, makeCrashNoteView(model, appSystem()), true);
    // The log keeps that a note was offered, for the diagnostics of a run that went badly.
    corvale::Log::lifecycle()([&] {
        return "The crash note is ready: " + corvale::CrashNote::page(model).title + " (version " +
               model.version + ").";
    });
}

void showWhatsNew(const std::vector<corvale::WhatsNew::Release>& releases) {
    showFitted("whatsNew", 620, makeWhatsNewView(releases), true);
}

std::unique_ptr<QWidget> makeWelcomeContent() {
    return makeWelcome();
}

void closeAll() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible())
            window->close();
}

} // namespace skiro::WindowsUI
