#include "CorvaleCore/Dispatch.hpp"
#include "CorvaleCore/DispatchSource.hpp"
#include "CorvaleCore/MainLoop.hpp"
#include "CorvaleCore/SystemCalls.hpp"

#include "Support/Framework.hpp"
#include "Support/TemporaryHome.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace corvale {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

bool eventually(const std::function<bool()>& done) {
    return MainLoop::shared().runUntil(done, 10s);
}

TEST(SerialQueue, RunsWorkOneAtATimeInOrderOnItsOwnThread) {
    DispatchQueue queue("org.example.tool.commands", QualityOfService::userInitiated);
    EXPECT_FALSE(queue.isCurrent());
    std::vector<int> order;
    std::atomic<int> active{0}, overlapped{0}, onQueue{0}, finished{0};
    std::thread poster([&] {
        for (int i = 0; i < 500; ++i) {
            queue.async([&, i] {
                overlapped += active.fetch_add(1) != 0;
                onQueue += queue.isCurrent() && !isMainThread();
                order.push_back(i);
                active.fetch_sub(1);
                ++finished;
            });
        }
    });
    poster.join();
    ASSERT_TRUE(eventually([&] { return finished.load() == 500; }));
    EXPECT_EQ(overlapped.load(), 0);
    EXPECT_EQ(onQueue.load(), 500);
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
}

TEST(SerialQueue, WorkThatThrowsIsLoggedAndWorkGivenBeforeTheLastHandleGoesStillRuns) {
    test::ScopedIdentity identity({"Tool", "org.example.tool", ""});
    test::ScopedLog log;
    std::atomic<int> ran{0};
    {
        DispatchQueue queue("org.example.throwing");
        queue.async([] { throw std::runtime_error("broken pipe"); });
        for (int i = 0; i < 50; ++i) {
            queue.async([&] { ++ran; });
        }
    }
    ASSERT_TRUE(eventually([&] { return ran.load() == 50; }));
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
    std::atomic<bool> nested{false};
    queue.async([&] { queue.sync([&] { nested = true; }); });
    EXPECT_TRUE(eventually([&] { return nested.load(); }));
    DispatchQueue::main().sync([&] { value = 2; });
    EXPECT_EQ(value, 2);
}

TEST(GlobalQueue, RunsWorkSideBySide) {
    DispatchQueue global = DispatchQueue::global(QualityOfService::userInitiated);
    // Two pieces of work that each wait for the other can only finish side by side.
    std::atomic<int> arrived{0}, met{0}, onQueue{0};
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

TEST(MainQueue, RunsPostedWorkInOrderOnTheMainThreadOnlyWhenTheLoopRuns) {
    ASSERT_TRUE(isMainThread());
    MainLoop::shared().drain();
    std::vector<int> order;
    std::thread other([&] {
        EXPECT_FALSE(DispatchQueue::main().isCurrent());
        for (int i = 0; i < 5; ++i) {
            DispatchQueue::main().async([&, i] {
                EXPECT_TRUE(DispatchQueue::main().isCurrent());
                order.push_back(i);
            });
        }
    });
    other.join();
    EXPECT_TRUE(order.empty()) << "ran before the loop was drained";
    EXPECT_TRUE(eventually([&] { return order.size() == 5; }));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(MainLoop, DrainsWhatWorkPostsRunsUntilStoppedAndGivesUpAtTheDeadline) {
    MainLoop loop;
    std::vector<int> ran;
    loop.post([&] {
        ran.push_back(1);
        loop.post([&] { ran.push_back(2); });
    });
    EXPECT_EQ(loop.drain(), 2u);
    loop.post([&] { loop.stop(); });
    loop.post([&] { ran.push_back(3); });
    loop.run();
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
    EXPECT_EQ(loop.pending(), 1u);

    Clock::time_point start = Clock::now();
    EXPECT_FALSE(loop.runUntil([] { return false; }, 30ms));
    EXPECT_GE(Clock::now() - start, 30ms);
    // A condition set by another thread without posting is still seen.
    std::atomic<bool> flag{false};
    std::thread setter([&] { flag = true; });
    EXPECT_TRUE(loop.runUntil([&] { return flag.load(); }));
    setter.join();
}

// Runs a later one-shot on `queue` and waits for it: whatever was to run before it has.
void settle(const DispatchQueue& queue) {
    std::atomic<bool> later{false};
    DispatchSource after = DispatchSource::timer(queue, 20ms, 0ms, [&] { later = true; });
    ASSERT_TRUE(eventually([&] { return later.load(); }));
}

TEST(Timer, OneShotsFireOnceNeverEarlyAndOutOfRangeDelaysHoldNothingUp) {
    DispatchQueue queue("org.example.timers");
    Clock::time_point start = Clock::now();
    std::atomic<Clock::rep> ranAfter{0};
    std::atomic<int> fired{0};
    DispatchQueue::main().asyncAfter(20ms, [&] { ranAfter = (Clock::now() - start).count(); });
    DispatchSource once = DispatchSource::timer(queue, 2ms, 0ms, [&] { ++fired; });
    DispatchSource never = DispatchSource::repeatingTimer(
        queue, std::chrono::nanoseconds::max(), std::chrono::nanoseconds::max(),
        std::chrono::nanoseconds::max(), [&] { fired += 100; });
    DispatchSource past = DispatchSource::timer(queue, -1h, -1h, [&] { ++fired; });
    DispatchQueue::main().asyncAfter(-1h, [&] { ++fired; });
    ASSERT_TRUE(eventually([&] { return ranAfter.load() != 0; }));
    settle(queue);
    EXPECT_GE(Clock::duration(ranAfter.load()), 20ms);
    EXPECT_EQ(fired.load(), 3);
}

TEST(Timer, RepeatsOnItsScheduleUntilItsHandlerCancelsIt) {
    DispatchQueue queue("org.example.ticks");
    std::mutex mutex;
    std::vector<Clock::time_point> ticks;
    std::optional<DispatchSource> timer;
    Clock::time_point start = Clock::now();
    queue.sync([&] {
        timer.emplace(DispatchSource::repeatingTimer(queue, 10ms, 5ms, 1ms, [&] {
            std::lock_guard lock(mutex);
            ticks.push_back(Clock::now());
            if (ticks.size() == 4) {
                timer->cancel();
            }
        }));
    });
    ASSERT_TRUE(eventually([&] { return timer->isCancelled(); }));
    settle(queue);
    std::lock_guard lock(mutex);
    ASSERT_EQ(ticks.size(), 4u);
    // The k-th tick is never before its deadline; deadlines keep the first one's phase.
    for (std::size_t k = 0; k < ticks.size(); ++k) {
        EXPECT_GE(ticks[k] - start, 10ms + 5ms * static_cast<int>(k)) << k;
    }
}

TEST(Timer, CallsNeverOverlapOrPileUpBehindSlowHandlers) {
    std::atomic<int> active{0}, overlapped{0}, calls{0};
    DispatchSource timer = DispatchSource::repeatingTimer(
        DispatchQueue::global(QualityOfService::utility), 0ms, 1ms, 0ms, [&] {
            overlapped += active.fetch_add(1) != 0;
            // Spins as slow work would.
            Clock::time_point end = Clock::now() + 4ms;
            while (Clock::now() < end) {
            }
            active.fetch_sub(1);
            ++calls;
        });
    ASSERT_TRUE(eventually([&] { return calls.load() >= 5; }));
    timer.cancel();
    // Cancel waits for a running call, so none is active afterwards.
    EXPECT_EQ(active.load(), 0);
    EXPECT_EQ(overlapped.load(), 0);
}

TEST(ReadSource, FiresWhileThereIsSomethingToReadAndNeverAfterCancel) {
    int fds[2];
    ASSERT_TRUE(openPipe(fds));
    std::mutex mutex;
    std::string received;
    std::atomic<int> calls{0};
    DispatchSource source = DispatchSource::read(fds[0], DispatchQueue::main(), [&] {
        ++calls;
        // One byte per call: the source fires again while more waits.
        char byte = 0;
        if (::read(fds[0], &byte, 1) == 1) {
            std::lock_guard lock(mutex);
            received += byte;
        }
    });
    auto text = [&] {
        std::lock_guard lock(mutex);
        return received;
    };
    ASSERT_EQ(::write(fds[1], "abc", 3), 3);
    ASSERT_TRUE(eventually([&] { return text() == "abc"; }));
    source.cancel();
    int atCancel = calls.load();
    // The source watches its own duplicate, so closing the descriptor now is safe.
    ASSERT_EQ(::write(fds[1], "d", 1), 1);
    ::close(fds[0]);
    ::close(fds[1]);
    settle(DispatchQueue::main());
    EXPECT_EQ(calls.load(), atCancel);
    EXPECT_EQ(text(), "abc");
}

TEST(ReadSource, RefusesDescriptorsItCannotWatch) {
    test::TemporaryFolder folder("dispatch");
    EXPECT_THROW(DispatchSource::read(-1, DispatchQueue::main(), [] {}), DispatchError);
    std::filesystem::path path = folder.path() / "plain";
    std::ofstream(path) << "text";
    int file = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(file, 0);
    EXPECT_THROW(DispatchSource::read(file, DispatchQueue::main(), [] {}), DispatchError);
    ::close(file);
}

} // namespace
} // namespace corvale
