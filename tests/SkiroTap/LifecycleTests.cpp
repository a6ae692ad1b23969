#include "LiveTap.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <pthread.h>
#include <sys/resource.h>
#include <thread>

namespace skiro::test {
namespace {

using Trouble = InputTap::Trouble;
using namespace std::chrono_literals;

const std::string tooSlow = "The tap was too slow and macOS turned it off; back on.";
const std::string freshOne = "The tap kept timing out: a fresh one.";
const std::string gaveUp =
    "The tap kept timing out, fresh or not: stopped. Scrolling is the system's.";
const std::string unseen = "A scroll went past the tap unseen: it was off.";

TEST(RunLoopThreadTests, RunsBlocksOnItsOwnNamedThreadRaisedIfItMayAndOutlivesAStop) {
    corvale::test::ScopedLog log;
    corvale::Log::setDetailed(true);
    SimulatedSystem system;
    RunLoopThread thread("skiro.input", system.runLoops(), true);
    EXPECT_EQ(thread.name(), "skiro.input");

    auto onThread = [&](auto work) {
        std::promise<decltype(work())> done;
        thread.runLoop().perform([&] { done.set_value(work()); });
        thread.runLoop().wakeUp();
        return done.get_future().get();
    };
    const std::string name = onThread([] {
        char text[32] = {};
        pthread_getname_np(pthread_self(), text, sizeof text);
        return std::string(text);
    });
    EXPECT_EQ(name, "skiro.input");
    EXPECT_NE(onThread([] { return std::this_thread::get_id(); }), std::this_thread::get_id());
    EXPECT_EQ(onThread([&] { return &system.runLoops().current(); }), &thread.runLoop());
    // Raised, or the refusal is in the log.
    const int nice = onThread([] { return getpriority(PRIO_PROCESS, 0); });
    bool refusalLogged = false;
    for (const corvale::LogEntry& entry :
         corvale::LogStore::shared().entries({}, corvale::Log::subsystem())) {
        refusalLogged |= entry.message.starts_with("Couldn't raise the priority of skiro.input");
    }
    EXPECT_TRUE(nice == -10 || refusalLogged) << nice;

    // A run that returns is run again.
    thread.runLoop().stop();
    EXPECT_TRUE(onThread([] { return true; }));
}

struct LifecycleTest : ::testing::Test {
    LiveTap t;
    VirtualDevice& mouse = t.system.attach(DeviceDescription::wheelMouse());

    PostResult scroll() { return t.system.post(mouse, Scroll{3, 0}); }

    // One scroll that stalls the tap past the system's budget (on the simulated clock), and
    // the tap's answer to the switch-off.
    void timeOut() {
        const std::int64_t before = t.tap->stats().disabledByTimeout;
        t.tap->setStall(2000, 1);
        scroll();
        ASSERT_TRUE(waitForStats(
            [&](const InputTap::Stats& stats) { return stats.disabledByTimeout == before + 1; }));
        t.settle();
    }
    template <class Condition>
    bool waitForStats(Condition condition) {
        return corvale::MainLoop::shared().runUntil([&] { return condition(t.tap->stats()); },
                                                    std::chrono::seconds(10));
    }
    // A burst: three timeouts in a row.
    void burst() {
        for (int i = 0; i < 3; ++i) {
            timeOut();
        }
    }
};

TEST_F(LifecycleTest, StartsAtTheHeadOfTheHIDStreamWithASentinelAndTurnsScrolls) {
    t.tap->setSettings(turning(mouseStandard));
    ASSERT_TRUE(t.tap->start());
    EXPECT_TRUE(t.tap->hasTap());
    EXPECT_EQ(t.tap->location(), "hid");
    EXPECT_EQ(t.messages(),
              std::vector<std::string>{"Scroll tap started at hid, with test hooks."});

    std::shared_ptr<TapCore> main = t.platformTap();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->placement, TapPlacement::headInsert);
    EXPECT_EQ(main->mask, eventMaskBit(EventType::scrollWheel));
    ASSERT_NE(t.sentinelTap(), nullptr);
    EXPECT_EQ(t.sentinelTap()->placement, TapPlacement::tailAppend);

    // The registry's devices were merged on the tap thread: the mouse is known at once.
    t.sync();
    EXPECT_EQ(t.onTap([&] { return t.tap->devices().known(mouse.senderID()); }), Device::mouse);

    const PostResult result = scroll();
    ASSERT_TRUE(result.delivered);
    EXPECT_EQ(result.delivered->vertical.line, -result.made.vertical.line);
    EXPECT_EQ(t.tap->stats().turned, 1);

    // A second start replaces the taps.
    ASSERT_TRUE(t.tap->start());
    EXPECT_NE(t.platformTap(), main);
    EXPECT_TRUE(main->invalid);
    EXPECT_EQ(t.system.taps().tapsOfThisProcess().size(), 2u);

    // Without test hooks the start line says nothing of them.
    LiveTap plain(false);
    ASSERT_TRUE(plain.tap->start());
    EXPECT_EQ(plain.count("Scroll tap started at hid."), 1u);
}

TEST_F(LifecycleTest, RunsWithoutASentinelFallsBackToTheSessionAndFailsWhenBothRefuse) {
    // The sentinel listens at the session; without it the tap still runs.
    t.system.taps().setRefused(TapLocation::session, true);
    ASSERT_TRUE(t.tap->start());
    EXPECT_EQ(t.tap->location(), "hid");
    EXPECT_EQ(t.sentinelTap(), nullptr);
    EXPECT_EQ(t.messages(),
              (std::vector<std::string>{"Couldn't make the sentinel tap.",
                                        "Scroll tap started at hid, with test hooks."}));

    t.system.taps().setRefused(TapLocation::session, false);
    t.system.taps().setRefused(TapLocation::hid, true);
    ASSERT_TRUE(t.tap->start());
    EXPECT_EQ(t.tap->location(), "session");
    EXPECT_NE(t.platformTap(TapLocation::session), nullptr);
    EXPECT_EQ(t.count("Scroll tap started at session, with test hooks."), 1u);

    t.system.taps().setRefused(TapLocation::session, true);
    EXPECT_FALSE(t.tap->start());
    EXPECT_FALSE(t.tap->hasTap());
    EXPECT_EQ(t.tap->location(), std::nullopt);
    EXPECT_TRUE(t.system.taps().tapsOfThisProcess().empty()) << "no sentinel either";
    const std::vector<std::string> lines = t.messages();
    EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
              (std::vector<std::string>{"Couldn't make the HID tap; trying the session's.",
                                        "Couldn't make the scroll tap."}));
}

TEST_F(LifecycleTest, StopRemovesEveryTapAndDrainingFinishesQueuedWork) {
    ASSERT_TRUE(t.tap->start());
    t.tap->readBack().start();
    ASSERT_NE(t.checkTap(), nullptr);
    t.sync();
    EXPECT_TRUE(t.onTap([&] { return t.tap->readBack().check().checking(); }));

    // The tap thread is busy; work queued behind it is done before a draining stop returns.
    std::atomic<bool> go{false};
    std::atomic<bool> queuedRan{false};
    t.input.runLoop().perform([&] {
        while (!go.load()) {
            std::this_thread::yield();
        }
    });
    t.input.runLoop().perform([&] { queuedRan.store(true); });
    t.input.runLoop().wakeUp();
    go.store(true);
    const auto started = std::chrono::steady_clock::now();
    t.tap->stop(true);
    EXPECT_TRUE(queuedRan.load());
    // The pause after the drain is real time, whatever the system's clock does.
    EXPECT_GE(std::chrono::steady_clock::now() - started, 50ms);

    EXPECT_FALSE(t.tap->hasTap());
    EXPECT_EQ(t.tap->location(), std::nullopt);
    EXPECT_TRUE(t.system.taps().tapsOfThisProcess().empty());
    EXPECT_FALSE(t.tap->readBack().hasTap());
    EXPECT_FALSE(t.onTap([&] { return t.tap->readBack().check().checking(); }));
}

TEST(TapKeeper, TimeoutWindowsDecideBetweenOnAgainAFreshTapAndGivingUp) {
    SimulatedSystem system;
    TapKeeper keeper(system.eventTaps(), system.runLoops().current());
    using Timeout = TapKeeper::Timeout;
    const std::uint64_t s = 1'000'000'000;
    // Two timeouts 11 s apart, and a third closer than 10 s to the second only: each back on.
    EXPECT_EQ(keeper.timedOut(100 * s), Timeout::enable);
    EXPECT_EQ(keeper.timedOut(111 * s), Timeout::enable);
    EXPECT_EQ(keeper.timedOut(112 * s), Timeout::enable);
    // Three within 10 s: a fresh tap, and the window starts empty again.
    EXPECT_EQ(keeper.timedOut(113 * s), Timeout::restart);
    EXPECT_EQ(keeper.timedOut(114 * s), Timeout::enable);

    auto burst = [&](std::uint64_t at) {
        keeper.timedOut(at * s);
        keeper.timedOut(at * s + 1);
        return keeper.timedOut(at * s + 2);
    };
    // The fourth fresh tap within five minutes: give up, and the restarts are forgotten.
    EXPECT_EQ(burst(174), Timeout::restart);
    EXPECT_EQ(burst(234), Timeout::restart);
    EXPECT_EQ(burst(294), Timeout::giveUp);
    EXPECT_EQ(burst(300), Timeout::restart);
    // Fresh taps further apart than five minutes keep running.
    for (std::uint64_t at = 1000; at < 2000; at += 100) {
        EXPECT_EQ(burst(at), Timeout::restart) << at;
    }
}

TEST(TapKeeper, TheSentinelAsksForALookOnTheFirstAndEveryFiftiethMiss) {
    SimulatedSystem system;
    TapKeeper keeper(system.eventTaps(), system.runLoops().current());
    EXPECT_TRUE(keeper.sentinelSaw());
    for (int i = 2; i <= 49; ++i) {
        EXPECT_FALSE(keeper.sentinelSaw()) << i;
    }
    EXPECT_TRUE(keeper.sentinelSaw());
    EXPECT_EQ(keeper.missed(), 50);
    // One scroll the tap sees ends the run of misses.
    keeper.scrollSeen();
    EXPECT_FALSE(keeper.sentinelSaw());
    EXPECT_EQ(keeper.missed(), 0);
    EXPECT_TRUE(keeper.sentinelSaw());
}

TEST_F(LifecycleTest, ABurstOfTimeoutsMakesAFreshTapAndTheFourthGivesUpUntilStartedAgain) {
    ASSERT_TRUE(t.tap->start());
    std::shared_ptr<TapCore> first = t.platformTap();
    timeOut();
    EXPECT_TRUE(first->enabled);
    EXPECT_EQ(t.count(tooSlow), 1u);
    timeOut();
    timeOut();
    std::shared_ptr<TapCore> fresh = t.platformTap();
    ASSERT_NE(fresh, nullptr);
    EXPECT_NE(fresh, first);
    EXPECT_TRUE(first->invalid);
    EXPECT_TRUE(fresh->enabled);
    EXPECT_NE(t.sentinelTap(), nullptr);
    EXPECT_EQ(t.troubles, std::vector<Trouble>{Trouble::restarted});
    EXPECT_EQ(t.count(freshOne), 1u);
    EXPECT_EQ(t.tap->stats().restarts, 1);

    for (int i = 0; i < 3; ++i) {
        burst();
    }
    EXPECT_TRUE(t.tap->gaveUp());
    EXPECT_FALSE(t.tap->hasTap());
    EXPECT_EQ(t.tap->location(), std::nullopt);
    EXPECT_TRUE(t.system.taps().tapsOfThisProcess().empty());
    EXPECT_EQ(t.troubles.back(), Trouble::gaveUp);
    EXPECT_EQ(t.tap->stats().restarts, 4);
    EXPECT_EQ(t.count(gaveUp), 1u);

    // Scrolls are the system's now.
    t.tap->setSettings(turning(trackpadStandard));
    const PostResult result = scroll();
    EXPECT_EQ(result.delivered->vertical, result.made.vertical);

    ASSERT_TRUE(t.tap->start());
    EXPECT_FALSE(t.tap->gaveUp());
    burst();
    EXPECT_TRUE(t.tap->hasTap());
    EXPECT_EQ(t.troubles.back(), Trouble::restarted);
}

TEST_F(LifecycleTest, ATimeoutAnsweredAfterTheTapStoppedDoesNothing) {
    ASSERT_TRUE(t.tap->start());
    t.tap->setStall(2000, 1);
    scroll();
    ASSERT_TRUE(
        waitForStats([](const InputTap::Stats& stats) { return stats.disabledByTimeout == 1; }));
    t.sync();
    t.tap->stop(false);
    corvale::MainLoop::shared().drain();
    EXPECT_EQ(t.count(tooSlow), 0u);
    EXPECT_FALSE(t.tap->hasTap());
}

TEST_F(LifecycleTest, SwitchedOffByUserInputComesBackOnlyWithThePermission) {
    ASSERT_TRUE(t.tap->start());
    std::shared_ptr<TapCore> main = t.platformTap();
    t.system.taps().switchOff(main->id, SwitchOff::byUserInput);
    ASSERT_TRUE(
        waitForStats([](const InputTap::Stats& stats) { return stats.disabledByUserInput == 1; }));
    t.settle();
    EXPECT_TRUE(main->enabled);
    EXPECT_EQ(t.count("The system turned the tap off; back on."), 1u);

    // The trust taken away switches the tap off by user input.
    t.system.setAccessibilityTrusted(false);
    ASSERT_TRUE(
        waitForStats([](const InputTap::Stats& stats) { return stats.disabledByUserInput == 2; }));
    t.settle();
    EXPECT_FALSE(main->enabled);
    EXPECT_TRUE(t.tap->hasTap()) << "left to the owner";
    EXPECT_EQ(t.troubles, std::vector<Trouble>{Trouble::permissionGone});
    EXPECT_EQ(t.count("The system turned the tap off, and Accessibility is gone."), 1u);
    EXPECT_TRUE(t.system.taps().tapsOfThisProcess().size() >= 2u) << "no trial tap left over";
}

TEST_F(LifecycleTest, ASilentlyLostTapIsRevivedAsAfterATimeoutUnlessThePermissionIsGone) {
    ASSERT_TRUE(t.tap->start());
    std::shared_ptr<TapCore> main = t.platformTap();
    t.settle();
    t.system.taps().switchOff(main->id, SwitchOff::silently);
    scroll();
    t.settle();
    EXPECT_TRUE(main->enabled);
    EXPECT_EQ(t.tap->stats().revived, 1);
    EXPECT_EQ(t.count(unseen), 1u);
    EXPECT_EQ(t.count(tooSlow), 1u);
    EXPECT_EQ(t.tap->stats().disabledByTimeout, 0) << "no notice came";

    // Lost again without the permission: the permission is gone.
    scroll();
    t.settle();
    t.system.taps().switchOff(main->id, SwitchOff::silently);
    // The sentinel only listens; it keeps running on the listen permission.
    t.system.simulatedPermissions().setListenAccess(true);
    t.system.simulatedPermissions().setTrusted(false);
    scroll();
    t.settle();
    EXPECT_EQ(t.tap->stats().revived, 2);
    EXPECT_FALSE(main->enabled);
    EXPECT_EQ(t.troubles, std::vector<Trouble>{Trouble::permissionGone});
}

TEST_F(LifecycleTest, EnsureEnabledSwitchesBackOnOrMakesAFreshTap) {
    t.tap->ensureEnabled();
    EXPECT_FALSE(t.tap->hasTap()) << "nothing to do without a tap";

    ASSERT_TRUE(t.tap->start());
    std::shared_ptr<TapCore> main = t.platformTap();
    t.tap->ensureEnabled();
    EXPECT_EQ(t.messages().size(), 1u) << "on already: nothing";

    t.system.taps().switchOff(main->id, SwitchOff::silently);
    t.tap->ensureEnabled();
    EXPECT_TRUE(main->enabled);
    EXPECT_EQ(t.count("The tap was off; back on."), 1u);

    t.system.taps().switchOff(main->id, SwitchOff::silently);
    t.system.taps().setRefusesEnable(main->id, true);
    t.tap->ensureEnabled();
    EXPECT_EQ(t.count("The tap was off and wouldn't come back: a fresh one."), 1u);
    EXPECT_NE(t.platformTap(), main);
    EXPECT_TRUE(t.platformTap()->enabled);
}

} // namespace
} // namespace skiro::test
