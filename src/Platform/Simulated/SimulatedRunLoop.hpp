#pragma once

#include "Platform/RunLoop.hpp"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace platform::simulated {

class SimulatedRunLoop;

// Work that arrives at a loop through a port (an event for a tap), handled on the loop's thread
// while the sender waits. Lives on the sender's stack: sending allocates nothing.
struct PortMessage {
    enum class State { queued, handling, handled, withdrawn };

    void (*handle)(PortMessage& message) = nullptr;
    State state = State::queued;
    PortMessage* next = nullptr;
};

// A source a loop watches. A bare one is a port nothing arrives on; a tap's source tells its
// tap which loop it is on.
class SimulatedRunLoopSource : public RunLoopSource {
public:
    SimulatedRunLoopSource() = default;
    SimulatedRunLoopSource(const SimulatedRunLoopSource&) = delete;
    SimulatedRunLoopSource& operator=(const SimulatedRunLoopSource&) = delete;
    ~SimulatedRunLoopSource() override;

    SimulatedRunLoop* loop() const { return loop_.load(std::memory_order_acquire); }

protected:
    // Told when the source leaves loop `from` (nullptr when it was on none) for loop `to`
    // (nullptr when it joins none).
    virtual void moved(SimulatedRunLoop* /*from*/, SimulatedRunLoop* /*to*/) {}
    // Derived sources call this in their own destructor, while `moved` is still theirs.
    void detachFromLoop();

private:
    friend class SimulatedRunLoop;
    std::atomic<SimulatedRunLoop*> loop_{nullptr};
};

class SimulatedRunLoop final : public RunLoop {
public:
    // Threads are told apart by a number never reused, unlike their IDs.
    static std::uint64_t currentThread();

    explicit SimulatedRunLoop(std::uint64_t owner);
    ~SimulatedRunLoop() override;

    void perform(std::function<void()> block) override;
    void wakeUp() override;
    void addSource(RunLoopSource& source, RunLoopMode mode) override;
    void removeSource(RunLoopSource& source, RunLoopMode mode) override;
    RunResult run() override;
    void stop() override;
    bool runOnce(std::chrono::nanoseconds wait) override;

    bool isCurrent() const { return currentThread() == owner_; }
    std::size_t sourceCount() const;

    // Hands `message` to the loop and waits until it was handled. When the loop has not taken
    // it within `limit` of real time (nobody runs the loop) it is withdrawn and false returned.
    // A message already being handled is always waited for.
    bool send(PortMessage& message, std::chrono::nanoseconds limit);

private:
    bool hasWorkLocked() const { return woken_ || first_ != nullptr || stopRequested_; }
    // Runs the queued blocks, then the queued messages; `lock` is held on entry and exit.
    bool runPendingLocked(std::unique_lock<std::mutex>& lock);

    const std::uint64_t owner_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable handled_;
    std::deque<std::function<void()>> blocks_;
    PortMessage* first_ = nullptr;
    PortMessage* last_ = nullptr;
    std::vector<SimulatedRunLoopSource*> sources_;
    bool woken_ = false;
    bool stopRequested_ = false;
};

class SimulatedRunLoops final : public RunLoops {
public:
    RunLoop& current() override { return currentLoop(); }
    std::unique_ptr<RunLoopSource> makePort() override;

    SimulatedRunLoop& currentLoop();

private:
    mutable std::mutex mutex_;
    // A loop outlives its thread, like the blocks and sources left on it.
    std::map<std::uint64_t, std::unique_ptr<SimulatedRunLoop>> loops_;
};

} // namespace platform::simulated
