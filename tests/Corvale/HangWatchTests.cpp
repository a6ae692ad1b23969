#include "Corvale/HangWatch.hpp"

#include "CorvaleCore/Defaults.hpp"
#include "CorvaleCore/LastRun.hpp"
#include "CorvaleCore/LogStore.hpp"
#include "CorvaleCore/MainLoop.hpp"

#include "Stalls.hpp"
#include "Support/Framework.hpp"
#include "Support/TemporaryHome.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

namespace corvale {
namespace {

using namespace std::chrono;
using namespace std::chrono_literals;

const system_clock::time_point morning = sys_days(year(2026) / March / 2) + 9h + 5min + 3s;

constexpr std::string_view beganText = "the main thread hasn't answered for ";
constexpr std::string_view endedText = "the main thread answers again after ";

class HangWatchTest : public ::testing::Test {
protected:
    HangWatchTest() {
        LastRun::reset();
        LastRun::begin();
    }
    ~HangWatchTest() override {
        LastRun::reset();
        MainLoop::shared().drain();
    }

    // The lifecycle log's messages that begin with `prefix`.
    static std::vector<std::string> logged(std::string_view prefix) {
        std::vector<std::string> messages;
        for (const LogEntry& entry :
             LogStore::shared().entries(system_clock::time_point(), "org.example.tool")) {
            if (entry.category == "lifecycle" && entry.level == LogLevel::error &&
                entry.message.starts_with(prefix)) {
                messages.push_back(entry.message);
            }
        }
        return messages;
    }

    // The number in a log line such as "... for 3.0 s; ...".
    static double secondsIn(const std::string& message, std::string_view prefix) {
        return std::strtod(message.c_str() + prefix.size(), nullptr);
    }

    test::TemporaryHome home;
    test::ScopedIdentity identity{{"Tool", "org.example.tool", "owner/Tool"}};
    test::ScopedLog log;
};

// A watch on clocks the test moves, ticked by hand; its own timer would wait an hour.
class HandTickedWatchTest : public HangWatchTest {
protected:
    std::shared_ptr<HangWatch> makeWatch() {
        HangWatch::Options options;
        options.interval = 1h;
        options.uptime = [this] { return uptime.load(); };
        options.now = [this] { return wall.now(); };
        return HangWatch::make(options);
    }

    std::atomic<double> uptime{1000};
    test::ManualClock wall{morning};
};

TEST_F(HandTickedWatchTest, ReportsAHangOnceWhenItBeginsAndOnceWhenItEnds) {
    std::shared_ptr<HangWatch> watch = makeWatch();
    EXPECT_EQ(watch->queue().label(), "org.example.tool.hangwatch");
    watch->start();
    ASSERT_TRUE(watch->isWatching());

    // Answering: each tick finds the heartbeat of the one before.
    for (int i = 0; i < 3; ++i) {
        uptime = uptime + 1;
        watch->tick();
        EXPECT_EQ(MainLoop::shared().drain(), 1u) << "one heartbeat per tick";
    }
    uptime = uptime + 2.4;
    watch->tick();
    EXPECT_TRUE(logged(beganText).empty()) << "2.4 s of silence is no hang";

    // Silent from 1003 on: at 2.5 s the hang is declared, and only once.
    uptime = 1005.5;
    wall.advance(1h);
    watch->tick();
    for (int i = 0; i < 5; ++i) {
        uptime = uptime + 1;
        watch->tick();
    }
    std::vector<std::string> began = logged(beganText);
    ASSERT_EQ(began.size(), 1u);
    std::optional<LastRun::Record> record = LastRun::current();
    ASSERT_TRUE(record && record->hang);
    EXPECT_EQ(record->hang->since, morning + 1h - 2500ms) << "when the main thread last answered";
    EXPECT_EQ(record->hang->seconds, std::nullopt);
    std::string where = record->hang->stack.empty() ? "?" : record->hang->stack.front();
    EXPECT_EQ(began[0], "the main thread hasn't answered for 2.5 s; stuck in " + where);
    if (StackSampler::isSupported()) {
        EXPECT_FALSE(record->hang->stack.empty()) << "the main thread was waiting for the tick";
    }
    EXPECT_TRUE(logged(endedText).empty());

    // The main thread answers at 1010.5; the next tick ends the hang, once.
    MainLoop::shared().drain();
    uptime = uptime + 1;
    watch->tick();
    uptime = uptime + 1;
    watch->tick();
    MainLoop::shared().drain();
    std::vector<std::string> ended = logged(endedText);
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0], "the main thread answers again after 7.5 s");
    EXPECT_EQ(LastRun::current()->hang, std::nullopt);
    std::vector<LastRun::Hang> hangs = LastRun::recentHangs();
    ASSERT_EQ(hangs.size(), 1u);
    EXPECT_EQ(hangs[0].seconds, 7.5);
    EXPECT_EQ(hangs[0].stack, record->hang->stack);

    // Answering again; a second hang is reported afresh.
    uptime = uptime + 3;
    watch->tick();
    EXPECT_EQ(logged(beganText).size(), 2u);
}

TEST_F(HandTickedWatchTest, StartsOnceAndOnlyOnTheMainThread) {
    std::shared_ptr<HangWatch> watch = makeWatch();
    std::thread([&] { watch->start(); }).join();
    EXPECT_FALSE(watch->isWatching());
    uptime = uptime + 100;
    watch->tick();
    EXPECT_TRUE(logged(beganText).empty()) << "no ticks before it starts";

    watch->start();
    EXPECT_TRUE(watch->isWatching());
    // A second start does not count the main thread as having answered just now.
    uptime = uptime + 3;
    watch->start();
    watch->tick();
    EXPECT_EQ(logged(beganText).size(), 1u);
}

TEST_F(HandTickedWatchTest, HeartbeatsAndTicksHoldTheWatchWeakly) {
    std::shared_ptr<HangWatch> watch = makeWatch();
    watch->start();
    uptime = uptime + 1;
    watch->tick();
    std::weak_ptr<HangWatch> weak = watch;
    watch.reset();
    EXPECT_TRUE(weak.expired()) << "a heartbeat on its way keeps nothing alive";
    EXPECT_EQ(MainLoop::shared().drain(), 1u);

    // A fast real timer whose watch goes while it runs.
    HangWatch::Options fast;
    fast.interval = 1ms;
    fast.leeway = 0ms;
    std::shared_ptr<HangWatch> ticking = HangWatch::make(fast);
    ticking->start();
    EXPECT_TRUE(MainLoop::shared().runUntil([] { return MainLoop::shared().pending() > 0; }, 5s));
    ticking.reset();
    MainLoop::shared().drain();
}

// The real thing: the main thread stops answering for 4 seconds.
TEST_F(HangWatchTest, AFourSecondHangIsLoggedRecordedAndEndedWithItsWholeLength) {
    std::shared_ptr<HangWatch> watch = HangWatch::make();
    steady_clock::time_point lastAnswer = steady_clock::now();
    watch->start();
    stalls::holdThisThread(4s);
    // Still not answering: the hang stands in the record while it lasts.
    std::optional<LastRun::Record> during = LastRun::current();
    for (int i = 0; i < 40 && !(during && during->hang); ++i) {
        stalls::holdThisThread(50ms);
        during = LastRun::current();
    }
    steady_clock::time_point answering = steady_clock::now();
    ASSERT_TRUE(during && during->hang);
    EXPECT_EQ(during->hang->seconds, std::nullopt);
    EXPECT_TRUE(logged(endedText).empty());

    ASSERT_TRUE(MainLoop::shared().runUntil(
        [&] { return !logged(endedText).empty() && !LastRun::recentHangs().empty(); }, 5s));
    std::vector<std::string> began = logged(beganText);
    std::vector<std::string> ended = logged(endedText);
    ASSERT_EQ(began.size(), 1u);
    ASSERT_EQ(ended.size(), 1u);
    double declaredAfter = secondsIn(began[0], beganText);
    EXPECT_GE(declaredAfter, 2.5) << began[0];
    EXPECT_LE(declaredAfter, 3.6) << began[0];
    double gap = duration<double>(answering - lastAnswer).count();
    EXPECT_NEAR(secondsIn(ended[0], endedText), gap, 0.2) << ended[0];

    if (StackSampler::isSupported()) {
        ASSERT_FALSE(during->hang->stack.empty());
        EXPECT_NE(during->hang->stack[0].find("corvale::stalls::holdThisThread("),
                  std::string::npos)
            << during->hang->stack[0];
        EXPECT_NE(began[0].find("; stuck in " + during->hang->stack[0]), std::string::npos);
    }
    std::vector<LastRun::Hang> hangs = LastRun::recentHangs();
    ASSERT_EQ(hangs.size(), 1u);
    EXPECT_NEAR(hangs[0].seconds.value_or(0), gap, 0.2);
    EXPECT_EQ(LastRun::current()->hang, std::nullopt);
}

} // namespace
} // namespace corvale
