#pragma once

// Helpers for tests of the simulated system: a thread that runs a run loop, and taps that
// record what they see.
#include "Platform/Simulated/SimulatedSystem.hpp"

#include <atomic>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace platform::simulated::testing {

// A thread that runs its run loop until destroyed, kept alive by a port.
class LoopThread {
public:
    explicit LoopThread(RunLoops& loops) {
        std::promise<RunLoop*> ready;
        auto loop = ready.get_future();
        thread_ = std::thread([this, &loops, &ready] {
            RunLoop& current = loops.current();
            std::unique_ptr<RunLoopSource> port = loops.makePort();
            current.addSource(*port, RunLoopMode::defaultMode);
            ready.set_value(&current);
            while (!stopping_.load()) {
                current.run();
            }
        });
        loop_ = loop.get();
    }
    ~LoopThread() {
        stopping_.store(true);
        loop_->stop();
        thread_.join();
    }

    RunLoop& loop() { return *loop_; }

    // Returns once everything queued on the loop before the call has run.
    void sync() {
        std::promise<void> done;
        auto ran = done.get_future();
        loop_->perform([&done] { done.set_value(); });
        loop_->wakeUp();
        ran.wait();
    }
    std::thread::id id() const { return thread_.get_id(); }

private:
    std::thread thread_;
    RunLoop* loop_ = nullptr;
    std::atomic<bool> stopping_{false};
};

// What several taps saw, in order.
struct Journal {
    std::mutex mutex;
    std::vector<std::string> entries;

    void add(std::string entry) {
        std::lock_guard lock(mutex);
        entries.push_back(std::move(entry));
    }
    std::vector<std::string> copy() {
        std::lock_guard lock(mutex);
        return entries;
    }
};

// A tap of this process that notes each call and may change the events it gets.
struct RecordingTap {
    std::string name;
    Journal* journal = nullptr;
    std::function<Event*(Event&)> act; // default: return the event unchanged
    std::atomic<int> scrolls{0};
    std::mutex mutex;
    std::vector<EventType> notices;
    std::vector<std::thread::id> threads;
    std::unique_ptr<EventTap> tap;
    std::unique_ptr<RunLoopSource> source;

    static Event* callback(EventType type, Event& event, void* userInfo) {
        auto& self = *static_cast<RecordingTap*>(userInfo);
        {
            std::lock_guard lock(self.mutex);
            self.threads.push_back(std::this_thread::get_id());
            if (type == EventType::tapDisabledByTimeout ||
                type == EventType::tapDisabledByUserInput) {
                self.notices.push_back(type);
                return &event;
            }
        }
        self.scrolls.fetch_add(1);
        if (self.journal != nullptr) {
            self.journal->add(self.name);
        }
        return self.act ? self.act(event) : &event;
    }

    // Makes the tap and attaches it to `loop`; false when the system refused it.
    bool make(System& system, TapLocation location, TapPlacement placement, TapOptions options,
              RunLoop* loop, EventMask mask = eventMaskBit(EventType::scrollWheel)) {
        tap = system.eventTaps().create(location, placement, options, mask, &callback, this);
        if (!tap) {
            return false;
        }
        if (loop != nullptr) {
            source = tap->createRunLoopSource();
            loop->addSource(*source);
        }
        return true;
    }

    std::vector<EventType> noticesSeen() {
        std::lock_guard lock(mutex);
        return notices;
    }
    std::vector<std::thread::id> threadsSeen() {
        std::lock_guard lock(mutex);
        return threads;
    }
};

} // namespace platform::simulated::testing
