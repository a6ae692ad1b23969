#pragma once

#include "CorvaleCore/DispatchSource.hpp"
#include "Skiro/AppParts.hpp"

#include <optional>

namespace skiro::app {

// Runs the application: Qt's application object over the main queue, the delegate over `parts`
// brought up once the loop runs, and taken down when the loop ends (Quit, SIGTERM or SIGINT).
// Answers the process's exit status. Main thread, once.
int runApplication(int argc, char** argv, const AppParts& parts);

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
