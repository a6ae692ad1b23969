#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace corvale {

// A unit of work for a queue.
using Work = std::function<void()>;

// What runs the main queue's work on the main thread. The application with a user interface
// installs one over its toolkit's event loop (a queued call); without one, `MainLoop::shared()`
// runs the main queue.
class MainExecutor {
public:
    virtual ~MainExecutor() = default;
    // Runs `work` on the main thread soon, after everything posted before it. Any thread.
    virtual void post(Work work) = 0;
};

// Installs the executor behind `DispatchQueue::main()`; nullptr puts `MainLoop::shared()` back.
// Work already posted stays with the executor it was posted to.
void setMainExecutor(std::shared_ptr<MainExecutor> executor);

// The main queue's loop for runs without a toolkit (tests, headless runs). Work is posted from
// any thread and runs on whichever thread drives the loop, which is the main thread.
class MainLoop final : public MainExecutor {
public:
    MainLoop() = default;
    MainLoop(const MainLoop&) = delete;
    MainLoop& operator=(const MainLoop&) = delete;

    static MainLoop& shared();

    void post(Work work) override;

    // Runs posted work, and waits for more, until `done` holds or `timeout` has passed; answers
    // whether `done` holds. `done` is asked before and after each piece of work and at least
    // every millisecond while waiting, so it may watch what other threads do.
    bool runUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds timeout = std::chrono::seconds(10));

    // Runs posted work, and what that work posts, until nothing is left; never waits. Answers
    // how many pieces ran.
    std::size_t drain();

    // Runs posted work until `stop()` is called (a headless run's main loop).
    void run();
    void stop();

    std::size_t pending() const;

private:
    bool runOne();

    mutable std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<Work> work_;
    bool stopping_ = false;
};

} // namespace corvale
