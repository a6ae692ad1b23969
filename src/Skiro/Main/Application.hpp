#pragma once

#include "Corvale/CrashNote.hpp"
#include "CorvaleCore/DispatchSource.hpp"
#include "CorvaleCore/Subscribers.hpp"

#include <optional>

namespace skiro::app {

// The application once launching has finished, until it terminates: brings the parts up in
// their order, runs the main queue, and takes them down when asked to end. Main thread only.
class Application {
public:
    Application() = default;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Brings everything up, runs the main loop until SIGTERM or SIGINT, shuts down. Answers the
    // process's exit status.
    int run();

private:
    void didFinishLaunching();
    void willTerminate();
    void presentCrashNote(const corvale::CrashNote::Model& model);

    // Forwards the detailed-logging setting to the log for as long as the application runs.
    std::optional<corvale::Subscription> logging_;
    // The last crash or hang note presented, for the crash-note window to open with.
    std::optional<corvale::CrashNote::Model> crashNote_;
};

// SIGTERM and SIGINT, turned from signals into a call on the main queue. The handler only writes
// a byte to a pipe; a read source on the main queue does the rest.
class TerminationSignals {
public:
    // Installs the handlers; `terminate` runs on the main queue, once per signal.
    explicit TerminationSignals(corvale::Work terminate);
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    int pipe_[2] = {-1, -1};
    std::optional<corvale::DispatchSource> source_;
};

} // namespace skiro::app
