#include "Skiro/Tap/RunLoopThread.hpp"

#include "Skiro/Tap/Logs.hpp"

#include "CorvaleCore/Threads.hpp"

#include <cstring>
#include <semaphore>

namespace skiro {

namespace {

// A scroll waits for the tap thread: it should not wait behind ordinary work. Raising it may
// need a privilege the process lacks; then the thread runs as it is.
void raisePriority(const std::string& name) {
    if (const int error = corvale::raiseThisThread(); error != 0) {
        logs::tap()([&] {
            return "Couldn't raise the priority of " + name + ": " + std::strerror(error) + ".";
        });
    }
}

} // namespace

RunLoopThread::RunLoopThread(std::string name, platform::RunLoops& loops, bool raised)
    : name_(std::move(name)) {
    std::binary_semaphore ready(0);
    thread_ = std::thread([this, &loops, &ready, raised] {
        corvale::nameThisThread(name_);
        if (raised) {
            raisePriority(name_);
        }
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
    static RunLoopThread* const thread = new RunLoopThread("skiro.input", loops, true);
    return *thread;
}

void performSoon(platform::RunLoop& loop, std::function<void()> block) {
    loop.perform(std::move(block));
    loop.wakeUp();
}

} // namespace skiro
