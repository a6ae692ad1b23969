#pragma once

#include <chrono>
#include <functional>
#include <memory>

// Run loops: one per thread. Work reaches a loop as blocks queued from any thread and as
// sources (event taps, ports) attached to it; everything runs on the loop's own thread.
namespace platform {

enum class RunLoopMode { defaultMode, commonModes };

// Something a run loop watches: a tap's port, or a bare port that only keeps a loop alive.
// Destroying a source removes it from the loop it is attached to.
class RunLoopSource {
public:
    virtual ~RunLoopSource() = default;
};

class RunLoop {
public:
    enum class RunResult {
        finished, // nothing attached: the loop had nothing to wait for
        stopped,  // stop() was called
    };

    virtual ~RunLoop() = default;

    // Queues a block to run on this loop's thread. It runs the next time the loop wakes, so a
    // caller that wants it run soon follows with wakeUp().
    virtual void perform(std::function<void()> block) = 0;
    virtual void wakeUp() = 0;

    virtual void addSource(RunLoopSource& source, RunLoopMode mode = RunLoopMode::commonModes) = 0;
    virtual void removeSource(RunLoopSource& source,
                              RunLoopMode mode = RunLoopMode::commonModes) = 0;

    // Runs on the calling thread, which must be this loop's, until stop(). A loop with no
    // source attached returns `finished` at once, so a thread that must run forever attaches a
    // port first and runs again whenever a run returns.
    virtual RunResult run() = 0;
    // Makes the current run return, or the next one if none is running. Any thread.
    virtual void stop() = 0;

    // One pass: waits at most `wait` for the loop to be woken, then runs what is pending.
    // True when something ran. Sources need not be attached. This loop's thread only.
    virtual bool runOnce(std::chrono::nanoseconds wait) = 0;

    // Passes until `done` holds or `deadline` (real time) has gone by; true when `done` held.
    bool runUntil(const std::function<bool()>& done, std::chrono::nanoseconds deadline);
};

class RunLoops {
public:
    virtual ~RunLoops() = default;

    // The calling thread's run loop, made on first use.
    virtual RunLoop& current() = 0;
    // A fresh port with its run-loop source; nothing ever arrives on it.
    virtual std::unique_ptr<RunLoopSource> makePort() = 0;
};

} // namespace platform
