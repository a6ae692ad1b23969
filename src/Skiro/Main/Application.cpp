#include "Skiro/Main/Application.hpp"

#include "Corvale/CommandServer.hpp"
#include "Corvale/Diagnostics.hpp"
#include "Corvale/HangWatch.hpp"
#include "Corvale/Termination.hpp"
#include "CorvaleCore/LastRun.hpp"
#include "CorvaleCore/Log.hpp"
#include "CorvaleCore/MainLoop.hpp"
#include "Skiro/AppSystem.hpp"
#include "Skiro/DiagnosticsReport.hpp"
#include "Skiro/Live.hpp"
#include "Skiro/Settings.hpp"
#include "Skiro/Tap/InputTap.hpp"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace skiro::app {

namespace {

// The write end of the signal pipe, for the handler.
std::atomic<int> signalPipe{-1};

extern "C" void onTerminationSignal(int) {
    const int saved = errno;
    const int descriptor = signalPipe.load();
    if (descriptor >= 0) {
        const char byte = 1;
        // A full pipe already holds a wake-up; nothing else to do.
        [[maybe_unused]] ssize_t written = ::write(descriptor, &byte, 1);
    }
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(corvale::Work terminate) {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::system_error(errno, std::generic_category(), "signal pipe");
    }
    const int readEnd = pipe_[0];
    source_.emplace(corvale::DispatchSource::read(
        readEnd, corvale::DispatchQueue::main(), [readEnd, terminate = std::move(terminate)] {
            char bytes[16];
            ssize_t got = 0;
            bool signalled = false;
            while ((got = ::read(readEnd, bytes, sizeof bytes)) > 0) {
                signalled = true;
            }
            if (signalled) {
                terminate();
            }
        }));
    signalPipe.store(pipe_[1]);
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    signalPipe.store(-1);
    if (source_) {
        source_->cancel();
    }
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

int Application::run() {
    corvale::MainLoop& loop = corvale::MainLoop::shared();
    // Installed first, so that a signal while launching still ends the run in order.
    TerminationSignals signals([&loop] { loop.stop(); });
    corvale::DispatchQueue::main().async([this] { didFinishLaunching(); });
    loop.run();
    willTerminate();
    return 0;
}

void Application::didFinishLaunching() {
    corvale::LastRun::begin();
    corvale::HangWatch::shared().start();
    logging_ = Settings::shared().subscribe(
        [](const Config& config) { corvale::Log::setDetailed(config.detailedLogging); });
    corvale::CrashNote::configure(
        {.recovered = "scrolling went back to the system's way until Skiro opened again",
         .leftOut = "nothing about the apps you use or where the pointer was",
         .alsoHas = "its settings"},
        [this](const corvale::CrashNote::Model& model) { presentCrashNote(model); });
    corvale::Diagnostics::useFacts(&appSystem().facts());
    corvale::Diagnostics::configure([](const corvale::Diagnostics::Gathered& gathered) {
        gathered(DiagnosticsReport::contribution());
    });
    // Release notes are configured here (releases, onboarding, the window that shows them).
    // The status menu is made here and kept for the life of the process.
    // Updates start here, with the status menu following their changes.
    // The status menu, once it exists, follows the live controller here (its onChange).
    Live::shared().start();
    corvale::Commands::listen();
    if (Settings::shared().config().hasCompletedOnboarding) {
        // Release notes come first here, once they are configured.
        corvale::CrashNote::showIfNeeded();
    }
    // Here a first launch opens the welcome, and neither release notes nor the crash note.
}

void Application::presentCrashNote(const corvale::CrashNote::Model& model) {
    // There is no crash-note window yet: the model waits here for it, and the log says what the
    // note would show.
    crashNote_ = model;
    corvale::CrashNote::Page page = corvale::CrashNote::page(model);
    corvale::Log::lifecycle()([&] {
        return "The crash note is ready: " + page.title + " (version " + model.version + ").";
    });
}

void Application::willTerminate() {
    // The framework's services let go first (the command server stops listening).
    corvale::Termination::willTerminate();
    // Scrolling is the system's again before the run is recorded as ended cleanly.
    InputTap::shared(appSystem()).stop(true);
    corvale::LastRun::end();
}

} // namespace skiro::app
