// When the simulated system switches a tap off, and how it tells the tap: a callback slower
// than the budget (measured on the simulated clock), user input, a lost trust, or silently.
#include "TestTaps.hpp"

#include <gtest/gtest.h>

namespace platform::simulated {
namespace {

using namespace std::chrono_literals;
using testing::LoopThread;
using testing::RecordingTap;

TEST(TapHealth, ASlowCallbackIsSwitchedOffAndToldLater) {
    SimulatedSystem system;
    system.taps().setTimeout(50ms);
    VirtualDevice& mouse = system.attach(DeviceDescription::wheelMouse());
    LoopThread input(system.runLoops());
    RecordingTap tap;
    std::chrono::milliseconds stall{0};
    tap.act = [&](Event& event) {
        // The callback "takes" this long: the time passes on the simulated clock.
        system.clock().sleep(stall);
        event.setIntegerValue(field::scrollWheelEventPointDeltaAxis1, 99);
        return &event;
    };
    ASSERT_TRUE(tap.make(system, TapLocation::hid, TapPlacement::headInsert, TapOptions::defaultTap,
                         &input.loop()));

    stall = 50ms; // exactly the budget: still in time
    system.post(mouse, Scroll{1});
    input.sync();
    EXPECT_TRUE(tap.tap->isEnabled());
    EXPECT_TRUE(tap.noticesSeen().empty());

    stall = 51ms;
    std::uint64_t before = system.clock().uptimeNanoseconds();
    PostResult late = system.post(mouse, Scroll{1});
    EXPECT_EQ(system.clock().uptimeNanoseconds() - before, 51'000'000u);
    EXPECT_FALSE(tap.tap->isEnabled());
    ASSERT_TRUE(late.delivered) << "the scroll goes on";
    EXPECT_EQ(late.delivered->vertical.point, 99);

    // The notice comes afterwards, on the tap's loop.
    input.sync();
    EXPECT_EQ(tap.noticesSeen(), std::vector<EventType>{EventType::tapDisabledByTimeout});
    EXPECT_EQ(tap.threadsSeen().back(), input.id());
}

TEST(TapHealth, ATapOnALoopNobodyRunsTimesOut) {
    SimulatedSystem system;
    system.taps().setUnservicedLimit(1ms);
    VirtualDevice& mouse = system.attach(DeviceDescription::wheelMouse());
    RunLoop* idle = nullptr;
    std::thread([&] { idle = &system.runLoops().current(); }).join();
    RecordingTap tap;
    ASSERT_TRUE(
        tap.make(system, TapLocation::hid, TapPlacement::headInsert, TapOptions::defaultTap, idle));

    PostResult result = system.post(mouse, Scroll{1});
    EXPECT_TRUE(result.delivered);
    EXPECT_FALSE(tap.tap->isEnabled());
    EXPECT_EQ(tap.scrolls.load(), 0);
}

// The read-back check takes its tap down from the main thread while the user scrolls: the tap's
// thread may be inside the callout, past taking the context, when the tap and its source go.
// Under AddressSanitizer a context freed with them is a use after free here.
TEST(TapHealth, ATapTakenDownWhileItsCalloutIsUnderWayKeepsItsContextForThatCallout) {
    SimulatedSystem system;
    VirtualDevice& mouse = system.attach(DeviceDescription::wheelMouse());
    LoopThread input(system.runLoops());
    RecordingTap tap;
    ASSERT_TRUE(tap.make(system, TapLocation::hid, TapPlacement::headInsert, TapOptions::defaultTap,
                         &input.loop()));
    std::promise<void> entered;
    std::promise<void> takenDown;
    std::shared_future<void> down = takenDown.get_future().share();
    std::atomic<bool> first{true};
    system.taps().setCalloutEntry([&] {
        if (first.exchange(false)) {
            entered.set_value();
            down.wait();
        }
    });
    PostResult during;
    std::thread poster([&] { during = system.post(mouse, Scroll{1}); });
    entered.get_future().wait();
    // As the keeper does it, on this thread: off the loop, invalidated, both handles gone.
    input.loop().removeSource(*tap.source);
    tap.tap->invalidate();
    tap.source.reset();
    tap.tap.reset();
    takenDown.set_value();
    poster.join();
    system.taps().setCalloutEntry(nullptr);

    EXPECT_EQ(tap.scrolls.load(), 1) << "the callout under way ran to its end";
    EXPECT_TRUE(during.delivered);
    input.sync();
    system.post(mouse, Scroll{1});
    EXPECT_EQ(tap.scrolls.load(), 1) << "nothing reaches a tap taken down";
}

} // namespace
} // namespace platform::simulated
