// Scroll events of the simulated system: the field store, how devices' movements become
// deltas under the system's direction, and the framework's view.
#include "Platform/Simulated/SimulatedSystem.hpp"

#include <gtest/gtest.h>

#include <limits>

namespace platform::simulated {
namespace {

TEST(SimulatedEvent, FieldsHoldIntegersAndRealsReadableEitherWay) {
    SimulatedEvent event(EventType::scrollWheel);
    for (EventField f = 0; f < field::count; ++f) {
        EXPECT_EQ(event.integerValue(f), 0);
        EXPECT_EQ(event.doubleValue(f), 0.0);
    }
    event.setDoubleValue(17, 0.5);
    EXPECT_EQ(event.integerValue(17), 0);
    EXPECT_EQ(event.doubleValue(17), 0.5);
    event.setDoubleValue(18, -2.75);
    EXPECT_EQ(event.integerValue(18), -2);
    event.setIntegerValue(19, std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(event.integerValue(19), std::numeric_limits<std::int64_t>::min());
    event.setDoubleValue(20, 1e300);
    EXPECT_EQ(event.integerValue(20), std::numeric_limits<std::int64_t>::max());
    event.setDoubleValue(21, std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(event.integerValue(21), 0);

    // Out of range: reads as 0, writes go nowhere.
    event.setIntegerValue(256, 9);
    EXPECT_EQ(event.integerValue(256), 0);
}

// The system's direction sits between the device and the event: with natural scrolling the
// deltas have the opposite sign of the HID values, and the framework says the direction was
// turned.
TEST(SimulatedScrolls, NaturalScrollingNegatesTheDeltasAgainstTheDevice) {
    SimulatedSystem system;
    VirtualDevice& trackpad = system.attach(DeviceDescription::builtInTrackpad());
    VirtualDevice& mouse = system.attach(DeviceDescription::wheelMouse());

    for (bool natural : {true, false}) {
        SCOPED_TRACE(natural ? "natural" : "standard");
        system.setNaturalScrolling(natural);
        const double sign = natural ? -1 : 1;

        const ScrollRecord t = *system.post(trackpad, Scroll{25, -12, 2, 0, 0, 0}).delivered;
        EXPECT_EQ(t.hid->senderID, trackpad.senderID());
        EXPECT_EQ(t.hid->scrollY, 25);
        EXPECT_EQ(t.hid->scrollX, -12);
        EXPECT_EQ(t.vertical, (Measures{static_cast<std::int64_t>(2 * sign), 2.5 * sign,
                                        static_cast<std::int64_t>(25 * sign)}));
        EXPECT_EQ(t.horizontal.point, static_cast<std::int64_t>(-12 * sign));
        EXPECT_EQ(t.app->systemTurned, natural);
        EXPECT_TRUE(t.app->hasPreciseScrollingDeltas);
        EXPECT_EQ(t.app->scrollingDeltaY, 25 * sign);

        const ScrollRecord m = *system.post(mouse, Scroll{1, 0, 0, 0, flag::shift, 1}).delivered;
        EXPECT_EQ(m.vertical, (Measures{static_cast<std::int64_t>(sign), sign,
                                        static_cast<std::int64_t>(10 * sign)}));
        EXPECT_FALSE(m.continuous);
        EXPECT_EQ(m.app->systemTurned, natural);
        EXPECT_FALSE(m.app->hasPreciseScrollingDeltas);
    }
}

TEST(AppFramework, ReadsPhasesAndCanBeUnavailable) {
    SimulatedSystem system;
    VirtualDevice& trackpad = system.attach(DeviceDescription::builtInTrackpad());
    const std::pair<Scroll, std::pair<std::uint64_t, std::uint64_t>> cases[] = {
        {Scroll{0, 0, 128, 0, 0, 0}, {appPhase::mayBegin, appPhase::none}},
        {Scroll{1, 0, 1, 0, 0, 0}, {appPhase::began, appPhase::none}},
        {Scroll{0, 0, 4, 0, 0, 0}, {appPhase::ended, appPhase::none}},
        {Scroll{0, 0, 8, 0, 0, 0}, {appPhase::cancelled, appPhase::none}},
        {Scroll{1, 0, 0, 1, 0, 0}, {appPhase::none, appPhase::began}},
        {Scroll{1, 0, 0, 2, 0, 0}, {appPhase::none, appPhase::changed}},
        {Scroll{0, 0, 0, 3, 0, 0}, {appPhase::none, appPhase::ended}},
    };
    for (const auto& [scroll, phases] : cases) {
        SimulatedEvent event = system.makeScroll(trackpad, scroll);
        auto app = system.appFramework().scrollEvent(event);
        ASSERT_TRUE(app);
        EXPECT_EQ(app->phase, phases.first);
        EXPECT_EQ(app->momentumPhase, phases.second);
    }
    SimulatedEvent notice(EventType::null);
    EXPECT_FALSE(system.appFramework().scrollEvent(notice));
    system.simulatedAppFramework().setAvailable(false);
    EXPECT_FALSE(system.appFramework().scrollEvent(system.makeScroll(trackpad, Scroll{1})));
}

} // namespace
} // namespace platform::simulated
