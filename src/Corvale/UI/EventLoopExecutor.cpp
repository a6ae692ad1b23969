#include "Corvale/UI/EventLoopExecutor.hpp"

#include "CorvaleCore/Dispatch.hpp"
#include "CorvaleCore/HandOff.hpp"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

namespace corvale {

namespace {

QEvent::Type wakeType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

} // namespace

// Runs the executor's work on the main thread when woken. The wake is a bare event, made before
// it is handed over and read only after, so nothing crosses in a closure that Qt carries between
// threads unseen.
class EventLoopExecutor::Waker final : public QObject {
public:
    explicit Waker(EventLoopExecutor& executor) : executor_(executor) {}

    bool event(QEvent* event) override {
        handOff::delivered();
        if (event->type() != wakeType()) {
            return QObject::event(event);
        }
        if (auto self = executor_.weak_from_this().lock()) {
            self->runPosted();
        }
        return true;
    }

private:
    EventLoopExecutor& executor_;
};

EventLoopExecutor::EventLoopExecutor() : receiver_(std::make_unique<Waker>(*this)) {}

EventLoopExecutor::~EventLoopExecutor() = default;

void EventLoopExecutor::post(Work work) {
    {
        std::lock_guard lock(mutex_);
        work_.push_back(std::move(work));
        // One wake serves everything posted until it runs.
        if (woken_) {
            return;
        }
        woken_ = true;
    }
    auto* wake = new QEvent(wakeType());
    handOff::posting();
    QCoreApplication::postEvent(receiver_.get(), wake);
}

void EventLoopExecutor::runPosted() {
    std::deque<Work> batch;
    {
        std::lock_guard lock(mutex_);
        batch.swap(work_);
        woken_ = false;
    }
    // Work posted while this batch runs waits for the next wake, so the loop's own events
    // (painting, input) are served in between.
    for (Work& work : batch) {
        runGuarded(work, "the main queue");
    }
}

} // namespace corvale
