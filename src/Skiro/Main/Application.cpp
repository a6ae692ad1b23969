#include "Skiro/Main/Application.hpp"

#include "Corvale/UI/EventLoopExecutor.hpp"
#include "Corvale/UI/QtApplication.hpp"
#include "Corvale/UI/QtPasteboard.hpp"
#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/MainLoop.hpp"
#include "CorvaleCore/SystemCalls.hpp"
#include "Skiro/UI/AppDelegate.hpp"
#include "Skiro/UI/OwnWindows.hpp"

#include <QApplication>

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
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
    if (!corvale::openPipe(pipe_)) {
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

int runApplication(int argc, char** argv, const AppParts& parts) {
    // Without a display the application renders offscreen, so it runs headless as it does on
    // a desktop.
    if (corvale::wantsOffscreen(corvale::thisWindowSystem(), std::getenv)) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication application(argc, argv);
    // Before the loop runs: a link that launches the application arrives as its first events.
    corvale::LinkEvents linkEvents;
    application.installEventFilter(&linkEvents);
    // A menu-bar application: closing a window never ends it.
    QApplication::setQuitOnLastWindowClosed(false);
    QGuiApplication::setDesktopFileName(
        QString::fromStdString(corvale::AppIdentity::current().bundleID));
    auto executor = std::make_shared<corvale::EventLoopExecutor>();
    corvale::setMainExecutor(executor);
    skiro::OwnWindows::install();
    // "Copy" reaches the desktop's clipboard, not only this process.
    corvale::Pasteboard::setGeneral(std::make_shared<corvale::QtPasteboard>());
    // What was posted before Qt took over the main queue runs first.
    corvale::DispatchQueue::main().async([] { corvale::MainLoop::shared().drain(); });

    AppDelegate delegate(parts);
    {
        // Installed first, so that a signal while launching still ends the run in order.
        TerminationSignals termination([] { QCoreApplication::quit(); });
        corvale::DispatchQueue::main().async(
            [&delegate] { delegate.applicationDidFinishLaunching(); });
        QApplication::exec();
    }
    delegate.applicationWillTerminate();
    corvale::setMainExecutor(nullptr);
    corvale::Pasteboard::setGeneral(nullptr);
    return 0;
}

} // namespace skiro::app
