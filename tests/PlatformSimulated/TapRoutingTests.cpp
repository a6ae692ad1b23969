// How the simulated system passes a scroll through the taps: their order, what active and
// listen-only taps may do, masks, enabled state, run loops, the tap list and permissions.
#include "TestTaps.hpp"

#include <gtest/gtest.h>

namespace platform::simulated {
namespace {

using testing::Journal;
using testing::LoopThread;
using testing::RecordingTap;

constexpr EventMask scrolls = eventMaskBit(EventType::scrollWheel);
constexpr EventField pointV = field::scrollWheelEventPointDeltaAxis1;

Event* negateVerticalPoint(Event& event) {
    event.setIntegerValue(pointV, -event.integerValue(pointV));
    return &event;
}

TEST(TapRouting, HIDThenSessionThenAnnotatedHeadInsertedFirst) {
    SimulatedSystem system;
    VirtualDevice& trackpad = system.attach(DeviceDescription::builtInTrackpad());
    LoopThread input(system.runLoops());
    Journal journal;
    struct Own {
        const char* name;
        TapLocation location;
        TapPlacement placement;
    };
    // Made in an order unlike the routing order; two taps of another program among them.
    const Own own[] = {
        {"A hid tail", TapLocation::hid, TapPlacement::tailAppend},
        {"B hid head", TapLocation::hid, TapPlacement::headInsert},
        {"C session tail", TapLocation::session, TapPlacement::tailAppend},
        {"E hid head", TapLocation::hid, TapPlacement::headInsert},
        {"F annotated tail", TapLocation::annotatedSession, TapPlacement::tailAppend},
        {"G session head", TapLocation::session, TapPlacement::headInsert},
    };
    RecordingTap taps[6];
    std::int32_t other = system.applications().launch("Other");
    for (std::size_t i = 0; i < 6; ++i) {
        taps[i].name = own[i].name;
        taps[i].journal = &journal;
        ASSERT_TRUE(taps[i].make(system, own[i].location, own[i].placement, TapOptions::defaultTap,
                                 &input.loop()));
        if (i == 2) {
            system.taps().addOtherTap(other, TapLocation::session, TapPlacement::tailAppend,
                                      TapOptions::listenOnly, scrolls,
                                      [&](SimulatedEvent&) { journal.add("D other session"); });
        }
    }
    system.taps().addOtherTap(other, TapLocation::annotatedSession, TapPlacement::headInsert,
                              TapOptions::defaultTap, scrolls,
                              [&](SimulatedEvent&) { journal.add("H other annotated"); });

    PostResult result = system.post(trackpad, Scroll{10, 0, 2, 0, 0, 0});
    ASSERT_TRUE(result.delivered);
    EXPECT_EQ(journal.copy(),
              (std::vector<std::string>{"E hid head", "B hid head", "A hid tail", "G session head",
                                        "C session tail", "D other session", "H other annotated",
                                        "F annotated tail"}));
    for (RecordingTap& tap : taps) {
        EXPECT_EQ(tap.threadsSeen(), std::vector<std::thread::id>{input.id()})
            << tap.name << " runs on its loop's thread";
    }
}

TEST(TapRouting, ActiveTapsChangeTheEventListenOnlyTapsOnlySeeIt) {
    SimulatedSystem system;
    system.setNaturalScrolling(false);
    VirtualDevice& trackpad = system.attach(DeviceDescription::builtInTrackpad());
    LoopThread input(system.runLoops());

    std::vector<std::int64_t> seenBySentinel;
    RecordingTap changer, listener, sentinel;
    changer.act = negateVerticalPoint;
    listener.act = [](Event& event) {
        negateVerticalPoint(event);
        return nullptr; // a listener's answer, even a drop, counts for nothing
    };
    sentinel.act = [&](Event& event) {
        seenBySentinel.push_back(event.integerValue(pointV));
        return &event;
    };
    ASSERT_TRUE(listener.make(system, TapLocation::hid, TapPlacement::headInsert,
                              TapOptions::listenOnly, &input.loop()));
    ASSERT_TRUE(changer.make(system, TapLocation::hid, TapPlacement::tailAppend,
                             TapOptions::defaultTap, &input.loop()));
    ASSERT_TRUE(sentinel.make(system, TapLocation::session, TapPlacement::tailAppend,
                              TapOptions::listenOnly, &input.loop()));

    PostResult result = system.post(trackpad, Scroll{30, 0, 2, 0, 0, 0});
    ASSERT_TRUE(result.delivered);
    EXPECT_EQ(result.made.vertical.point, 30);
    EXPECT_EQ(result.delivered->vertical.point, -30) << "only the active tap's change arrives";
    EXPECT_EQ(seenBySentinel, std::vector<std::int64_t>{-30}) << "later taps see the change";
    EXPECT_EQ(result.delivered->hid->scrollY, 30) << "the HID event is the device's";
}

TEST(TapRouting, AnActiveTapMayDropOrReplaceTheEventOnThePostingThreadWhenItIsItsOwn) {
    SimulatedSystem system;
    VirtualDevice& mouse = system.attach(DeviceDescription::wheelMouse());
    RunLoop& here = system.runLoops().current();
    SimulatedEvent replacement = system.makeScroll(SoftwareScroll{0, 5});
    bool drop = true;
    RecordingTap tap;
    tap.act = [&](Event&) -> Event* { return drop ? nullptr : &replacement; };
    ASSERT_TRUE(tap.make(system, TapLocation::session, TapPlacement::headInsert,
                         TapOptions::defaultTap, &here));

    EXPECT_FALSE(system.post(mouse, Scroll{1}).delivered);
    EXPECT_EQ(system.application().receivedCount(), 0u);
    drop = false;
    PostResult replaced = system.post(mouse, Scroll{1});
    ASSERT_TRUE(replaced.delivered);
    EXPECT_EQ(replaced.delivered->horizontal.line, 5);
    EXPECT_EQ(replaced.delivered->vertical.line, 0);
    // Posted from the tap's own thread, the tap is called there.
    EXPECT_EQ(tap.threadsSeen(), std::vector<std::thread::id>(2, std::this_thread::get_id()));
}

TEST(TapRouting, OnlyEnabledAttachedTapsWithTheEventInTheirMaskAreCalled) {
    SimulatedSystem system;
    VirtualDevice& mouse = system.attach(DeviceDescription::wheelMouse());
    LoopThread input(system.runLoops());
    RecordingTap scroll, gesture, detached;
    ASSERT_TRUE(scroll.make(system, TapLocation::hid, TapPlacement::headInsert,
                            TapOptions::defaultTap, &input.loop()));
    ASSERT_TRUE(gesture.make(system, TapLocation::hid, TapPlacement::headInsert,
                             TapOptions::defaultTap, &input.loop(),
                             eventMaskBit(EventType::gesture)));
    ASSERT_TRUE(detached.make(system, TapLocation::hid, TapPlacement::headInsert,
                              TapOptions::listenOnly, nullptr));

    system.post(mouse, Scroll{1});
    EXPECT_EQ(scroll.scrolls.load(), 1);
    EXPECT_EQ(gesture.scrolls.load(), 0) << "not in its mask";
    EXPECT_EQ(detached.scrolls.load(), 0) << "attached to no run loop";

    scroll.tap->enable(false);
    EXPECT_FALSE(scroll.tap->isEnabled());
    system.post(mouse, Scroll{1});
    EXPECT_EQ(scroll.scrolls.load(), 1);
    scroll.tap->enable(true);
    system.post(mouse, Scroll{1});
    EXPECT_EQ(scroll.scrolls.load(), 2);

    // Taken off its loop, then put back.
    input.loop().removeSource(*scroll.source);
    system.post(mouse, Scroll{1});
    EXPECT_EQ(scroll.scrolls.load(), 2);
    input.loop().addSource(*scroll.source);
    system.post(mouse, Scroll{1});
    EXPECT_EQ(scroll.scrolls.load(), 3);

    EXPECT_EQ(system.application().receivedCount(), 5u) << "every scroll still arrives";
}

} // namespace
} // namespace platform::simulated
