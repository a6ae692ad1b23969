#pragma once

#include "Platform/RunLoop.hpp"

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace skiro {

// A thread that runs its run loop for as long as it exists; a port keeps the loop from
// returning for want of sources. Work reaches it as blocks queued with perform and wakeUp.
class RunLoopThread {
public:
    // Starts the thread and returns once its run loop is known. With `raised`, the thread asks
    // for a higher scheduling priority than the process's; a refusal is logged, not fatal.
    RunLoopThread(std::string name, platform::RunLoops& loops, bool raised = false);
    // Stops the loop and joins the thread (the process's input thread is never destroyed).
    ~RunLoopThread();
    RunLoopThread(const RunLoopThread&) = delete;
    RunLoopThread& operator=(const RunLoopThread&) = delete;

    platform::RunLoop& runLoop() const { return *runLoop_; }
    const std::string& name() const { return name_; }

    // The thread every tap the application keeps runs on: "skiro.input", made on first use
    // with the process's run loops and a raised priority, and kept until the process ends.
    static RunLoopThread& input(platform::RunLoops& loops);

private:
    const std::string name_;
    platform::RunLoop* runLoop_ = nullptr;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

// Queues `block` on `loop` and wakes it, so that it runs soon.
void performSoon(platform::RunLoop& loop, std::function<void()> block);

} // namespace skiro
