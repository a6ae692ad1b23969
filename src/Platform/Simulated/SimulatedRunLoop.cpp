#include "Platform/Simulated/SimulatedRunLoop.hpp"

#include <algorithm>

namespace platform::simulated {

SimulatedRunLoopSource::~SimulatedRunLoopSource() {
    detachFromLoop();
}

void SimulatedRunLoopSource::detachFromLoop() {
    if (SimulatedRunLoop* current = loop()) {
        current->removeSource(*this, RunLoopMode::commonModes);
    }
}

std::uint64_t SimulatedRunLoop::currentThread() {
    static std::atomic<std::uint64_t> next{1};
    thread_local const std::uint64_t token = next.fetch_add(1);
    return token;
}

SimulatedRunLoop::SimulatedRunLoop(std::uint64_t owner) : owner_(owner) {}

SimulatedRunLoop::~SimulatedRunLoop() {
    std::lock_guard lock(mutex_);
    for (SimulatedRunLoopSource* source : sources_) {
        source->loop_.store(nullptr, std::memory_order_release);
        source->moved(this, nullptr);
    }
    sources_.clear();
}

void SimulatedRunLoop::perform(std::function<void()> block) {
    std::lock_guard lock(mutex_);
    blocks_.push_back(std::move(block));
}

void SimulatedRunLoop::wakeUp() {
    {
        std::lock_guard lock(mutex_);
        woken_ = true;
    }
    wake_.notify_all();
}

void SimulatedRunLoop::addSource(RunLoopSource& source, RunLoopMode) {
    auto* ours = dynamic_cast<SimulatedRunLoopSource*>(&source);
    if (ours == nullptr) {
        return;
    }
    SimulatedRunLoop* previous = ours->loop();
    if (previous == this) {
        return;
    }
    if (previous != nullptr) {
        previous->removeSource(source, RunLoopMode::commonModes);
    }
    {
        std::lock_guard lock(mutex_);
        sources_.push_back(ours);
        ours->loop_.store(this, std::memory_order_release);
        ours->moved(nullptr, this);
    }
    wake_.notify_all();
}

void SimulatedRunLoop::removeSource(RunLoopSource& source, RunLoopMode) {
    auto* ours = dynamic_cast<SimulatedRunLoopSource*>(&source);
    if (ours == nullptr) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        auto found = std::find(sources_.begin(), sources_.end(), ours);
        if (found == sources_.end()) {
            return;
        }
        sources_.erase(found);
        ours->loop_.store(nullptr, std::memory_order_release);
        ours->moved(this, nullptr);
    }
    wake_.notify_all();
}

RunLoop::RunResult SimulatedRunLoop::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (stopRequested_) {
            stopRequested_ = false;
            return RunResult::stopped;
        }
        if (sources_.empty() && first_ == nullptr) {
            return RunResult::finished;
        }
        wake_.wait(lock, [&] { return hasWorkLocked() || sources_.empty(); });
        runPendingLocked(lock);
    }
}

void SimulatedRunLoop::stop() {
    {
        std::lock_guard lock(mutex_);
        stopRequested_ = true;
    }
    wake_.notify_all();
}

bool SimulatedRunLoop::runOnce(std::chrono::nanoseconds wait) {
    std::unique_lock lock(mutex_);
    if (!wake_.wait_for(lock, wait, [&] { return woken_ || first_ != nullptr; })) {
        return false;
    }
    return runPendingLocked(lock);
}

bool SimulatedRunLoop::runPendingLocked(std::unique_lock<std::mutex>& lock) {
    bool ran = false;
    woken_ = false;
    if (!blocks_.empty()) {
        std::deque<std::function<void()>> blocks;
        blocks.swap(blocks_);
        lock.unlock();
        for (auto& block : blocks) {
            block();
        }
        lock.lock();
        ran = true;
    }
    while (PortMessage* message = first_) {
        first_ = message->next;
        if (first_ == nullptr) {
            last_ = nullptr;
        }
        message->state = PortMessage::State::handling;
        lock.unlock();
        message->handle(*message);
        lock.lock();
        message->state = PortMessage::State::handled;
        handled_.notify_all();
        ran = true;
    }
    return ran;
}

bool SimulatedRunLoop::send(PortMessage& message, std::chrono::nanoseconds limit) {
    std::unique_lock lock(mutex_);
    message.state = PortMessage::State::queued;
    message.next = nullptr;
    if (last_ != nullptr) {
        last_->next = &message;
    } else {
        first_ = &message;
    }
    last_ = &message;
    wake_.notify_all();

    bool taken =
        handled_.wait_for(lock, limit, [&] { return message.state != PortMessage::State::queued; });
    if (!taken) {
        // Nobody runs this loop: take the message back out of the queue.
        PortMessage* before = nullptr;
        for (PortMessage* m = first_; m != nullptr; before = m, m = m->next) {
            if (m == &message) {
                (before != nullptr ? before->next : first_) = m->next;
                if (last_ == m) {
                    last_ = before;
                }
                break;
            }
        }
        message.state = PortMessage::State::withdrawn;
        return false;
    }
    handled_.wait(lock, [&] { return message.state == PortMessage::State::handled; });
    return true;
}

std::size_t SimulatedRunLoop::sourceCount() const {
    std::lock_guard lock(mutex_);
    return sources_.size();
}

std::unique_ptr<RunLoopSource> SimulatedRunLoops::makePort() {
    return std::make_unique<SimulatedRunLoopSource>();
}

SimulatedRunLoop& SimulatedRunLoops::currentLoop() {
    std::lock_guard lock(mutex_);
    std::uint64_t id = SimulatedRunLoop::currentThread();
    auto& loop = loops_[id];
    if (!loop) {
        loop = std::make_unique<SimulatedRunLoop>(id);
    }
    return *loop;
}

} // namespace platform::simulated
