#include "CorvaleCore/Dispatch.hpp"
#include "CorvaleCore/MainLoop.hpp"

#include "Support/Framework.hpp"
#include "Support/TemporaryHome.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

namespace corvale {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Waits on the main loop, the way every test waits for other threads.
bool eventually(const std::function<bool()>& done, std::chrono::milliseconds timeout = 10s) {
    return MainLoop::shared().runUntil(done, timeout);
}

// Spins, as slow work would; never used to wait for another thread.
void busyFor(std::chrono::microseconds duration) {
    Clock::time_point end = Clock::now() + duration;
    while (Clock::now() < end) {
    }
}

struct Pipe {
    int read = -1;
    int write = -1;
    Pipe() {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
            read = fds[0];
            write = fds[1];
        }
    }
    ~Pipe() {
        closeWrite();
        if (read >= 0) {
            ::close(read);
        }
    }
    void send(std::string_view text) const {
        ASSERT_EQ(::write(write, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    void closeWrite() {
        if (write >= 0) {
            ::close(write);
            write = -1;
        }
    }
};

TEST(SerialQueue, RunsWorkOneAtATimeInOrderOnItsOwnThread) {
    DispatchQueue queue("org.example.tool.commands", QualityOfService::userInitiated);
    EXPECT_EQ(queue.label(), "org.example.tool.commands");
    EXPECT_EQ(queue.qos(), QualityOfService::userInitiated);
    EXPECT_FALSE(queue.isCurrent());

    std::mutex mutex;
    std::vector<int> order;
    std::atomic<int> active{0};
    std::atomic<int> overlapped{0};
    std::atomic<int> onQueue{0};
    std::atomic<int> finished{0};
    std::vector<std::thread> posters;
    for (int t = 0; t < 3; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                queue.async([&, value = t * 1000 + i] {
                    if (active.fetch_add(1) != 0) {
                        ++overlapped;
                    }
                    onQueue += queue.isCurrent() && !isMainThread();
                    {
                        std::lock_guard lock(mutex);
                        order.push_back(value);
                    }
                    active.fetch_sub(1);
                    ++finished;
                });
            }
        });
    }
    for (auto& poster : posters) {
        poster.join();
    }
    ASSERT_TRUE(eventually([&] { return finished.load() == 600; }));
    EXPECT_EQ(overlapped.load(), 0);
    EXPECT_EQ(onQueue.load(), 600);
    // Each poster's work ran in the order it was given.
    std::vector<int> last(3, -1);
    for (int value : order) {
        EXPECT_GT(value % 1000, last[static_cast<std::size_t>(value / 1000)]);
        last[static_cast<std::size_t>(value / 1000)] = value % 1000;
    }
}

TEST(SerialQueue, WorkGivenBeforeTheLastHandleGoesStillRuns) {
    std::atomic<int> ran{0};
    {
        DispatchQueue queue("org.example.short-lived");
        for (int i = 0; i < 50; ++i) {
            queue.async([&] { ++ran; });
        }
    }
    EXPECT_TRUE(eventually([&] { return ran.load() == 50; }));
}

TEST(SerialQueue, WorkThatThrowsIsLoggedAndTheQueueGoesOn) {
    test::ScopedIdentity identity({"Tool", "org.example.tool", ""});
    test::ScopedLog log;
    DispatchQueue queue("org.example.throwing");
    std::atomic<bool> after{false};
    queue.async([] { throw std::runtime_error("broken pipe"); });
    queue.async([&] { after = true; });
    ASSERT_TRUE(eventually([&] { return after.load(); }));
    auto entries = LogStore::shared().entries(std::chrono::system_clock::time_point::min(),
                                              "org.example.tool");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].level, LogLevel::error);
    EXPECT_EQ(entries[0].message, "work on org.example.throwing threw: broken pipe");
}

TEST(DispatchQueue, SyncWaitsReturnsWhatItThrowsAndRunsInlineOnItsOwnQueue) {
    DispatchQueue queue("org.example.sync");
    int value = 0;
    queue.sync([&] { value = queue.isCurrent() ? 1 : -1; });
    EXPECT_EQ(value, 1);
    EXPECT_THROW(queue.sync([] { throw std::logic_error("no"); }), std::logic_error);

    // Inside its own queue it does not wait for itself.
    std::atomic<bool> nested{false};
    queue.async([&] { queue.sync([&] { nested = true; }); });
    EXPECT_TRUE(eventually([&] { return nested.load(); }));

    DispatchQueue::main().sync([&] { value = 2; });
    EXPECT_EQ(value, 2);
}

TEST(GlobalQueue, RunsWorkSideBySide) {
    DispatchQueue global = DispatchQueue::global(QualityOfService::userInitiated);
    EXPECT_EQ(global, DispatchQueue::global(QualityOfService::userInitiated));
    EXPECT_FALSE(global == DispatchQueue::global(QualityOfService::utility));
    // Two pieces of work that each wait for the other can only finish side by side.
    std::atomic<int> arrived{0};
    std::atomic<int> met{0};
    std::atomic<int> onQueue{0};
    for (int i = 0; i < 2; ++i) {
        global.async([&] {
            onQueue += global.isCurrent();
            ++arrived;
            Clock::time_point giveUp = Clock::now() + 5s;
            while (arrived.load() < 2 && Clock::now() < giveUp) {
                std::this_thread::yield();
            }
            met += arrived.load() == 2;
        });
    }
    ASSERT_TRUE(eventually([&] { return met.load() == 2; }));
    EXPECT_EQ(onQueue.load(), 2);
}

TEST(MainQueue, RunsPostedWorkInOrderOnTheMainThreadWhenDrained) {
    ASSERT_TRUE(isMainThread());
    MainLoop::shared().drain();
    std::vector<int> order;
    std::atomic<bool> posted{false};
    std::thread other([&] {
        EXPECT_FALSE(isMainThread());
        EXPECT_FALSE(DispatchQueue::main().isCurrent());
        for (int i = 0; i < 5; ++i) {
            DispatchQueue::main().async([&, i] {
                EXPECT_TRUE(DispatchQueue::main().isCurrent());
                order.push_back(i);
            });
        }
        posted = true;
    });
    other.join();
    EXPECT_TRUE(order.empty()) << "ran before the loop was drained";
    EXPECT_EQ(MainLoop::shared().pending(), 5u);
    EXPECT_TRUE(eventually([&] { return order.size() == 5; }));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(MainLoop, DrainRunsWhatWorkPostsAndRunUntilGivesUpAtTheDeadline) {
    MainLoop loop;
    int ran = 0;
    loop.post([&] {
        ++ran;
        loop.post([&] { ++ran; });
    });
    EXPECT_EQ(loop.drain(), 2u);
    EXPECT_EQ(ran, 2);
    EXPECT_EQ(loop.drain(), 0u);

    Clock::time_point start = Clock::now();
    EXPECT_FALSE(loop.runUntil([] { return false; }, 30ms));
    EXPECT_GE(Clock::now() - start, 30ms);

    // A condition set by another thread without posting is still seen.
    std::atomic<bool> flag{false};
    std::thread setter([&] { flag = true; });
    EXPECT_TRUE(loop.runUntil([&] { return flag.load(); }));
    setter.join();
}

TEST(MainLoop, RunEndsWhenStopped) {
    MainLoop loop;
    std::vector<int> ran;
    loop.post([&] { ran.push_back(1); });
    loop.post([&] {
        ran.push_back(2);
        loop.stop();
    });
    loop.post([&] { ran.push_back(3); });
    loop.run();
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
    EXPECT_EQ(loop.pending(), 1u);
}

// What a toolkit's event loop does when plugged in as the main queue: takes each posted call.
class RecordingExecutor : public MainExecutor {
public:
    void post(Work work) override {
        std::lock_guard lock(mutex);
        posted.push_back(std::move(work));
    }
    std::size_t count() {
        std::lock_guard lock(mutex);
        return posted.size();
    }
    std::mutex mutex;
    std::vector<Work> posted;
};

TEST(MainQueue, AnInstalledExecutorRunsTheMainQueue) {
    auto executor = std::make_shared<RecordingExecutor>();
    setMainExecutor(executor);
    int ran = 0;
    DispatchQueue::main().async([&] { ++ran; });
    DispatchSource timer =
        DispatchSource::timer(DispatchQueue::main(), 1ms, 0ms, [&] { ran += 10; });
    bool arrived = eventually([&] { return executor->count() == 2; });
    setMainExecutor(nullptr);
    ASSERT_TRUE(arrived);
    EXPECT_EQ(MainLoop::shared().pending(), 0u);
    for (Work& work : executor->posted) {
        work();
    }
    EXPECT_EQ(ran, 11);
}

TEST(Timer, AsyncAfterNeverRunsEarly) {
    Clock::time_point start = Clock::now();
    Clock::time_point ranAt{};
    DispatchQueue::main().asyncAfter(20ms, [&] { ranAt = Clock::now(); });
    ASSERT_TRUE(eventually([&] { return ranAt != Clock::time_point{}; }));
    EXPECT_GE(ranAt - start, 20ms);
}

TEST(Timer, OutOfRangeDelaysNeitherOverflowNorHoldUpOtherTimers) {
    std::atomic<int> fired{0};
    DispatchSource never = DispatchSource::repeatingTimer(
        DispatchQueue::main(), std::chrono::nanoseconds::max(), std::chrono::nanoseconds::max(),
        std::chrono::nanoseconds::max(), [&] { fired += 100; });
    DispatchSource past = DispatchSource::timer(DispatchQueue::main(), -1h, -1h, [&] { ++fired; });
    DispatchQueue::main().asyncAfter(-1h, [&] { ++fired; });
    EXPECT_TRUE(eventually([&] { return fired.load() == 2; }));
}

TEST(Timer, OneShotFiresOnce) {
    DispatchQueue queue("org.example.timers");
    std::atomic<int> once{0};
    std::atomic<bool> later{false};
    DispatchSource first = DispatchSource::timer(queue, 2ms, 0ms, [&] { ++once; });
    DispatchSource second = DispatchSource::timer(queue, 40ms, 0ms, [&] { later = true; });
    ASSERT_TRUE(eventually([&] { return later.load(); }));
    EXPECT_EQ(once.load(), 1);
}

TEST(Timer, RepeatsOnItsScheduleUntilCancelled) {
    DispatchQueue queue("org.example.ticks");
    std::mutex mutex;
    std::vector<Clock::time_point> ticks;
    Clock::time_point start = Clock::now();
    DispatchSource timer = DispatchSource::repeatingTimer(queue, 10ms, 5ms, 1ms, [&] {
        std::lock_guard lock(mutex);
        ticks.push_back(Clock::now());
    });
    auto count = [&] {
        std::lock_guard lock(mutex);
        return ticks.size();
    };
    ASSERT_TRUE(eventually([&] { return count() >= 4; }));
    timer.cancel();
    EXPECT_TRUE(timer.isCancelled());
    std::size_t atCancel = count();

    // The k-th tick is never before its deadline; deadlines keep the first one's phase.
    for (std::size_t k = 0; k < atCancel; ++k) {
        EXPECT_GE(ticks[k] - start, 10ms + 5ms * static_cast<int>(k)) << k;
    }
    // Nothing runs after the cancel: a later timer on the same queue sees the same count.
    std::atomic<bool> later{false};
    DispatchSource after = DispatchSource::timer(queue, 30ms, 0ms, [&] { later = true; });
    ASSERT_TRUE(eventually([&] { return later.load(); }));
    EXPECT_EQ(count(), atCancel);
}

TEST(Timer, LeewayLetsATimerFireWithALaterOne) {
    DispatchQueue queue("org.example.leeway");
    Clock::time_point start = Clock::now();
    std::atomic<Clock::rep> lenientAt{0};
    std::atomic<bool> strictFired{false};
    DispatchSource lenient = DispatchSource::timer(
        queue, 5ms, 500ms, [&] { lenientAt = (Clock::now() - start).count(); });
    DispatchSource strict = DispatchSource::timer(queue, 30ms, 0ms, [&] { strictFired = true; });
    ASSERT_TRUE(eventually([&] { return lenientAt.load() != 0 && strictFired.load(); }));
    // Woken once, for the strict timer's deadline, and never later than its own leeway allows.
    EXPECT_GE(Clock::duration(lenientAt.load()), 30ms);
    EXPECT_LT(Clock::duration(lenientAt.load()), 505ms + 1s);
}

TEST(Timer, CallsNeverOverlapOrPileUpBehindSlowHandlers) {
    std::atomic<int> active{0};
    std::atomic<int> overlapped{0};
    std::atomic<int> calls{0};
    DispatchSource timer = DispatchSource::repeatingTimer(
        DispatchQueue::global(QualityOfService::utility), 0ms, 1ms, 0ms, [&] {
            if (active.fetch_add(1) != 0) {
                ++overlapped;
            }
            busyFor(4ms);
            active.fetch_sub(1);
            ++calls;
        });
    ASSERT_TRUE(eventually([&] { return calls.load() >= 5; }));
    timer.cancel();
    // Cancel waits for a running call, so none is active afterwards.
    EXPECT_EQ(active.load(), 0);
    EXPECT_EQ(overlapped.load(), 0);
}

TEST(Timer, HandlerMayCancelItsOwnSource) {
    DispatchQueue queue("org.example.self-cancel");
    std::atomic<int> calls{0};
    std::optional<DispatchSource> timer;
    std::atomic<bool> armed{false};
    queue.sync([&] {
        timer.emplace(DispatchSource::repeatingTimer(queue, 1ms, 1ms, 0ms, [&] {
            if (++calls == 3) {
                timer->cancel();
            }
        }));
        armed = true;
    });
    ASSERT_TRUE(eventually([&] { return calls.load() >= 3; }));
    std::atomic<bool> later{false};
    DispatchSource after = DispatchSource::timer(queue, 20ms, 0ms, [&] { later = true; });
    ASSERT_TRUE(eventually([&] { return later.load(); }));
    EXPECT_EQ(calls.load(), 3);
    EXPECT_TRUE(timer->isCancelled());
}

TEST(ReadSource, FiresWhileThereIsSomethingToReadAndAtTheEnd) {
    Pipe pipe;
    ASSERT_GE(pipe.read, 0);
    DispatchQueue queue("org.example.reader");
    std::mutex mutex;
    std::string received;
    std::atomic<int> calls{0};
    std::atomic<bool> ended{false};
    std::optional<DispatchSource> source;
    source.emplace(DispatchSource::read(pipe.read, queue, [&] {
        ++calls;
        // One byte per call: the source fires again while more waits.
        char byte = 0;
        ssize_t got = ::read(pipe.read, &byte, 1);
        if (got == 1) {
            std::lock_guard lock(mutex);
            received += byte;
        } else if (got == 0) {
            ended = true;
            source->cancel();
        }
    }));
    auto text = [&] {
        std::lock_guard lock(mutex);
        return received;
    };
    pipe.send("abc");
    ASSERT_TRUE(eventually([&] { return text() == "abc"; }));
    EXPECT_GE(calls.load(), 3);
    pipe.send("de");
    ASSERT_TRUE(eventually([&] { return text() == "abcde"; }));
    pipe.closeWrite();
    ASSERT_TRUE(eventually([&] { return ended.load(); }));
    EXPECT_TRUE(source->isCancelled());
}

TEST(ReadSource, NothingRunsAfterCancelAndTheDescriptorMayThenBeClosed) {
    auto pipe = std::make_unique<Pipe>();
    std::atomic<int> calls{0};
    DispatchSource source = DispatchSource::read(pipe->read, DispatchQueue::main(), [&] {
        ++calls;
        char buffer[16];
        while (::read(pipe->read, buffer, sizeof buffer) > 0) {
        }
    });
    pipe->send("x");
    ASSERT_TRUE(eventually([&] { return calls.load() == 1; }));
    source.cancel();
    pipe->send("y");
    pipe.reset();
    std::atomic<bool> later{false};
    DispatchQueue::main().asyncAfter(20ms, [&] { later = true; });
    ASSERT_TRUE(eventually([&] { return later.load(); }));
    EXPECT_EQ(calls.load(), 1);
}

TEST(ReadSource, RefusesDescriptorsItCannotWatch) {
    test::TemporaryFolder folder("dispatch");
    EXPECT_THROW(DispatchSource::read(-1, DispatchQueue::main(), [] {}), DispatchError);
    std::filesystem::path path = folder.path() / "plain";
    std::ofstream(path) << "text";
    int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(file, 0);
    try {
        DispatchSource::read(file, DispatchQueue::main(), [] {});
        ADD_FAILURE() << "a regular file was accepted";
    } catch (const DispatchError& error) {
        EXPECT_NE(error.description().find("can't be watched"), std::string::npos);
    }
    ::close(file);
}

} // namespace
} // namespace corvale
