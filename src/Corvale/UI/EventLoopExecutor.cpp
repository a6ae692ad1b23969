#include "Corvale/UI/EventLoopExecutor.hpp"

#include "CorvaleCore/Dispatch.hpp"

#include <QMetaObject>
#include <QObject>

namespace corvale {

EventLoopExecutor::EventLoopExecutor() : receiver_(std::make_unique<QObject>()) {}

EventLoopExecutor::~EventLoopExecutor() = default;

void EventLoopExecutor::post(Work work) {
    {
        std::lock_guard lock(mutex_);
        work_.push_back(std::move(work));
        // One queued call serves everything posted until it runs.
        if (woken_) {
            return;
        }
        woken_ = true;
    }
    QMetaObject::invokeMethod(
        receiver_.get(),
        [weak = weak_from_this()] {
            if (auto self = weak.lock()) {
                self->runPosted();
            }
        },
        Qt::QueuedConnection);
}

void EventLoopExecutor::runPosted() {
    std::deque<Work> batch;
    {
        std::lock_guard lock(mutex_);
        batch.swap(work_);
        woken_ = false;
    }
    // Work posted while this batch runs waits for the next call, so the loop's own events
    // (painting, input) are served in between.
    for (Work& work : batch) {
        runGuarded(work, "the main queue");
    }
}

} // namespace corvale
