#include "Skiro/UI/AppDelegate.hpp"

#include "Corvale/CommandServer.hpp"
#include "Corvale/CrashNote.hpp"
#include "Corvale/Diagnostics.hpp"
#include "Corvale/HangWatch.hpp"
#include "Corvale/Termination.hpp"
#include "Corvale/Updates.hpp"
#include "Corvale/WhatsNew.hpp"
#include "CorvaleCore/LastRun.hpp"
#include "CorvaleCore/Log.hpp"
#include "Skiro/AppCommands.hpp"
#include "Skiro/AppSystem.hpp"
#include "Skiro/DiagnosticsReport.hpp"
#include "Skiro/Live.hpp"
#include "Skiro/Releases.hpp"
#include "Skiro/Settings.hpp"
#include "Skiro/Tap/InputTap.hpp"
#include "Skiro/UI/ScrollTestModel.hpp"
#include "Skiro/UI/WindowsUI.hpp"

namespace skiro {

void AppDelegate::applicationDidFinishLaunching() {
    corvale::LastRun::begin();
    corvale::HangWatch::shared().start();
    logging_ = Settings::shared().subscribe(
        [](const Config& config) { corvale::Log::setDetailed(config.detailedLogging); });
    corvale::CrashNote::configure(
        {.recovered = "scrolling went back to the system's way until Skiro opened again",
         .leftOut = "nothing about the apps you use or where the pointer was",
         .alsoHas = "its settings"},
        [](const corvale::CrashNote::Model& model) { WindowsUI::showCrashNote(model); });
    corvale::Diagnostics::useFacts(&appSystem().facts());
    corvale::Diagnostics::configure([](const corvale::Diagnostics::Gathered& gathered) {
        gathered(DiagnosticsReport::contribution());
    });
    Releases::configureWhatsNew([](const std::vector<corvale::WhatsNew::Release>& releases) {
        WindowsUI::showWhatsNew(releases);
    });
    AppCommands::setScrollTestHooks(
        {.listening = []() -> std::optional<AppCommands::ListeningTest> {
             std::shared_ptr<ScrollTestModel> test = ScrollTestModel::listening();
             std::optional<QRect> page = test ? test->pageFrame() : std::nullopt;
             if (!page) {
                 return std::nullopt;
             }
             return AppCommands::ListeningTest{
                 .page = {static_cast<double>(page->x()), static_cast<double>(page->y()),
                          static_cast<double>(page->width()), static_cast<double>(page->height())},
                 .lastInput = test->lastInput()};
         },
         .switchAxis = [](Axis axis) { ScrollTestModel::switchListening(axis); }});
    statusMenu_.emplace();
    corvale::Updates::shared().setOnChange([this] { statusMenu_->update(); });
    corvale::Updates::shared().start();
    Live::shared().onChange = [this] { statusMenu_->update(); };
    Live::shared().start();
    corvale::Commands::listen();
    if (Settings::shared().config().hasCompletedOnboarding) {
        corvale::WhatsNew::showIfUpdated();
        corvale::CrashNote::showIfNeeded();
    } else {
        WindowsUI::showWelcome();
    }
}

void AppDelegate::applicationWillTerminate() {
    // The framework's services let go first (the command server stops listening).
    corvale::Termination::willTerminate();
    // Scrolling is the system's again before the run is recorded as ended cleanly.
    InputTap::shared(appSystem()).stop(true);
    corvale::LastRun::end();
    // Nothing may call into the menu once it is gone.
    Live::shared().onChange = nullptr;
    corvale::Updates::shared().setOnChange(nullptr);
}

} // namespace skiro
