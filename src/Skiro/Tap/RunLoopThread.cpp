#include "Skiro/Tap/RunLoopThread.hpp"

#include <pthread.h>
#include <semaphore>

namespace skiro {

RunLoopThread::RunLoopThread(std::string name, platform::RunLoops& loops) : name_(std::move(name)) {
    std::binary_semaphore ready(0);
    thread_ = std::thread([this, &loops, &ready] {
        // The name shows in debuggers and crash reports (at most 15 characters here).
        pthread_setname_np(pthread_self(), name_.substr(0, 15).c_str());
        platform::RunLoop& loop = loops.current();
        runLoop_ = &loop;
        const std::unique_ptr<platform::RunLoopSource> port = loops.makePort();
        loop.addSource(*port, platform::RunLoopMode::defaultMode);
        ready.release();
        while (!stopping_.load(std::memory_order_acquire)) {
            loop.run();
        }
        loop.removeSource(*port, platform::RunLoopMode::defaultMode);
    });
    ready.acquire();
}

RunLoopThread::~RunLoopThread() {
    stopping_.store(true, std::memory_order_release);
    runLoop_->stop();
    thread_.join();
}

RunLoopThread& RunLoopThread::input(platform::RunLoops& loops) {
    // Never destroyed: taps may still be attached when the process exits.
    static RunLoopThread* const thread = new RunLoopThread("skiro.input", loops);
    return *thread;
}

} // namespace skiro
