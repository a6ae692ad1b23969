#pragma once

#include "CorvaleCore/MainLoop.hpp"

#include <deque>
#include <memory>
#include <mutex>

class QObject;

namespace corvale {

// Runs the main queue inside Qt's event loop: work posted from any thread wakes the loop with
// one posted event, which runs what was posted, in order. Install it with `setMainExecutor` once
// the application object exists, and take it out before that object goes.
class EventLoopExecutor final : public MainExecutor,
                                public std::enable_shared_from_this<EventLoopExecutor> {
public:
    EventLoopExecutor();
    ~EventLoopExecutor() override;
    EventLoopExecutor(const EventLoopExecutor&) = delete;
    EventLoopExecutor& operator=(const EventLoopExecutor&) = delete;

    void post(Work work) override;

private:
    class Waker;

    void runPosted();

    // Lives on the main thread; the events posted to it are delivered there.
    std::unique_ptr<QObject> receiver_;
    std::mutex mutex_;
    std::deque<Work> work_;
    bool woken_ = false;
};

} // namespace corvale
