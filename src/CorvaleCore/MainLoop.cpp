#include "CorvaleCore/MainLoop.hpp"

#include <algorithm>

namespace corvale {

MainLoop& MainLoop::shared() {
    // Never destroyed: other threads may post to it while the process exits.
    static MainLoop* loop = new MainLoop();
    return *loop;
}

void MainLoop::post(Work work) {
    {
        std::lock_guard lock(mutex_);
        work_.push_back(std::move(work));
    }
    posted_.notify_all();
}

bool MainLoop::runOne() {
    Work work;
    {
        std::lock_guard lock(mutex_);
        if (work_.empty()) {
            return false;
        }
        work = std::move(work_.front());
        work_.pop_front();
    }
    work();
    return true;
}

std::size_t MainLoop::drain() {
    std::size_t ran = 0;
    while (runOne()) {
        ++ran;
    }
    return ran;
}

bool MainLoop::runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + timeout;
    while (!done()) {
        if (runOne()) {
            continue;
        }
        Clock::time_point now = Clock::now();
        if (now >= deadline) {
            return done();
        }
        // Other threads change what `done` watches without posting here: look again soon.
        std::unique_lock lock(mutex_);
        posted_.wait_until(lock, std::min(deadline, now + std::chrono::milliseconds(1)),
                           [&] { return !work_.empty(); });
    }
    return true;
}

void MainLoop::run() {
    for (;;) {
        Work work;
        {
            std::unique_lock lock(mutex_);
            posted_.wait(lock, [&] { return stopping_ || !work_.empty(); });
            if (stopping_) {
                stopping_ = false;
                return;
            }
            work = std::move(work_.front());
            work_.pop_front();
        }
        work();
    }
}

void MainLoop::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    posted_.notify_all();
}

std::size_t MainLoop::pending() const {
    std::lock_guard lock(mutex_);
    return work_.size();
}

} // namespace corvale
