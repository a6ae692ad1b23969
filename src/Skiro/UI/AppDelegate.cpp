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
#include "Skiro/DiagnosticsReport.hpp"
#include "Skiro/Live.hpp"
#include "Skiro/Releases.hpp"
#include "Skiro/Settings.hpp"
#include "Skiro/Tap/InputTap.hpp"
#include "Skiro/UI/WindowsUI.hpp"

namespace skiro {

void AppDelegate::applicationDidFinishLaunching() {
    corvale::LastRun::begin();
    corvale::HangWatch::shared().start();
    logging_ = parts_.settings.subscribe(
        [](const Config& config) { corvale::Log::setDetailed(config.detailedLogging); });
    corvale::CrashNote::configure(
        {.recovered = "scrolling went back to the system's way until Skiro opened again",
         .leftOut = "nothing about the apps you use or where the pointer was",
         .alsoHas = "its settings"},
        [](const corvale::CrashNote::Model& model) { WindowsUI::showCrashNote(model); });
    corvale::Diagnostics::useFacts(&parts_.system.facts());
    corvale::Diagnostics::configure([](const corvale::Diagnostics::Gathered& gathered) {
        gathered(DiagnosticsReport::contribution());
    });
    Releases::configureWhatsNew(
        [](const std::vector<corvale::WhatsNew::Release>& releases) {
            WindowsUI::showWhatsNew(releases);
        },
        parts_.settings);
    statusMenu_.emplace();
    corvale::Updates::shared().setOnChange([this] { statusMenu_->update(); });
    corvale::Updates::shared().start();
    liveChanges_ = parts_.live.subscribe([this](const Live::Now&) { statusMenu_->update(); });
    parts_.live.start();
    // Commands are answered once the controller has settled its state.
    corvale::Commands::listen();
    if (parts_.settings.config().hasCompletedOnboarding) {
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
    parts_.tap.stop(true);
    corvale::LastRun::end();
    // Nothing may call into the menu once it is gone.
    liveChanges_.reset();
    corvale::Updates::shared().setOnChange(nullptr);
}

} // namespace skiro
