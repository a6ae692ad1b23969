#include "SkiroEngine/Turner.hpp"

#include <gtest/gtest.h>

namespace skiro {
namespace {

using Phase = ScrollSample::Phase;
using Momentum = ScrollSample::Momentum;

// Mouse reversed to standard on both axes, trackpad left natural.
const Directions mouseStandard{Direction::natural, Direction::natural, Direction::standard,
                               Direction::standard};
// Trackpad standard on both axes.
const Directions trackpadStandard{Direction::standard, Direction::standard, Direction::standard,
                                  Direction::standard};

ScrollSample trackpad(std::int64_t phase, std::int64_t momentum = 0) {
    return ScrollSample{Device::trackpad, true, phase, momentum, false, false};
}

ScrollSample wheel(bool shift = false, bool shortcutKeys = false) {
    return ScrollSample{Device::mouse, false, 0, 0, shift, shortcutKeys};
}

// Counts how often the turner asks the system's direction.
struct System {
    bool natural = true;
    int asked = 0;
    auto callback() {
        return [this] {
            ++asked;
            return natural;
        };
    }
};

TEST(Turner, SettingsThatTurnNothingNeverAskTheSystem) {
    System system;
    Turner turner;
    for (Turner::Settings settings :
         {Turner::Settings{false, trackpadStandard}, Turner::Settings{true, std::nullopt}}) {
        for (ScrollSample s : {trackpad(Phase::began), trackpad(Phase::changed),
                               trackpad(0, Momentum::ended), wheel(), wheel(true)}) {
            EXPECT_EQ(turner.turn(s, settings, system.callback()), Flip::none);
        }
    }
    EXPECT_EQ(system.asked, 0);
    EXPECT_TRUE(turner.isIdle());
}

TEST(Turner, WholeTrackpadGestureKeepsItsDecisionThroughMomentum) {
    System system;
    Turner turner;
    Turner::Settings on{true, trackpadStandard};
    const Flip both{true, true};

    EXPECT_EQ(turner.turn(trackpad(Phase::mayBegin), on, system.callback()), both);
    EXPECT_EQ(system.asked, 1);
    EXPECT_EQ(turner.turn(trackpad(Phase::began), on, system.callback()), both);
    EXPECT_EQ(system.asked, 2);
    EXPECT_FALSE(turner.isIdle());

    // The user pauses and the system flips mid-gesture: the held decision stands.
    Turner::Settings paused{false, trackpadStandard};
    system.natural = false;
    for (ScrollSample s :
         {trackpad(Phase::changed), trackpad(Phase::changed), trackpad(Phase::ended),
          trackpad(0, Momentum::began), trackpad(0, Momentum::continued)}) {
        EXPECT_EQ(turner.turn(s, paused, system.callback()), both);
    }
    EXPECT_EQ(turner.turn(trackpad(0, Momentum::ended), paused, system.callback()), both);
    EXPECT_EQ(system.asked, 2);
    EXPECT_TRUE(turner.isIdle());

    // The next gesture decides afresh under the new settings.
    EXPECT_EQ(turner.turn(trackpad(Phase::began), paused, system.callback()), Flip::none);
}

TEST(Turner, AGestureKeepsTheDecisionOfTheFirstEventSeen) {
    System system;
    Turner turner;
    // Began while paused: untouched after resuming.
    EXPECT_EQ(turner.turn(trackpad(Phase::began), {false, trackpadStandard}, system.callback()),
              Flip::none);
    EXPECT_EQ(turner.turn(trackpad(Phase::changed), {true, trackpadStandard}, system.callback()),
              Flip::none);
    EXPECT_EQ(system.asked, 0);

    // A missed start decides on the first event seen.
    Turner missed;
    Turner::Settings on{true, trackpadStandard};
    EXPECT_EQ(missed.turn(trackpad(Phase::changed), on, system.callback()), (Flip{true, true}));
    EXPECT_EQ(missed.turn(trackpad(Phase::changed), on, system.callback()), (Flip{true, true}));
    EXPECT_EQ(system.asked, 1);
}

TEST(Turner, GestureEndedWithoutMomentumKeepsDecisionUntilNextStart) {
    System system;
    Turner turner;
    Turner::Settings on{true, trackpadStandard};
    turner.turn(trackpad(Phase::began), on, system.callback());
    turner.turn(trackpad(Phase::ended), on, system.callback());
    EXPECT_FALSE(turner.isIdle());
    system.natural = false; // now the choice matches the system
    EXPECT_EQ(turner.turn(trackpad(Phase::began), on, system.callback()), Flip::none);
    EXPECT_TRUE(turner.isIdle());
}

TEST(Turner, DevicesHoldTheirOwnDecisions) {
    System system;
    Turner turner;
    Turner::Settings on{true, mouseStandard};
    ScrollSample smoothMouse{Device::mouse, true, Phase::began, 0, false, false};
    EXPECT_EQ(turner.turn(trackpad(Phase::began), on, system.callback()), Flip::none);
    EXPECT_EQ(turner.turn(smoothMouse, on, system.callback()), (Flip{true, true}));
    EXPECT_EQ(turner.turn(trackpad(Phase::changed), on, system.callback()), Flip::none);
    smoothMouse.phase = Phase::changed;
    EXPECT_EQ(turner.turn(smoothMouse, on, system.callback()), (Flip{true, true}));
    EXPECT_EQ(system.asked, 2);
}

TEST(Turner, PassingGestureStaysUntouchedToItsEnd) {
    System system;
    Turner turner;
    Turner::Settings on{true, trackpadStandard};
    turner.turn(trackpad(Phase::began), on, system.callback());
    EXPECT_FALSE(turner.isIdle());

    turner.passed(true, Phase::changed, 0);
    EXPECT_TRUE(turner.isIdle()); // held decisions forgotten
    EXPECT_EQ(turner.turn(trackpad(Phase::changed), on, system.callback()), Flip::none);
    EXPECT_EQ(turner.turn(trackpad(0, Momentum::continued), on, system.callback()), Flip::none);
    EXPECT_EQ(turner.turn(trackpad(0, Momentum::ended), on, system.callback()), Flip::none);
    EXPECT_EQ(system.asked, 1);
    // The momentum end cleared passing: the next event decides.
    EXPECT_EQ(turner.turn(trackpad(Phase::changed), on, system.callback()), (Flip{true, true}));
    EXPECT_EQ(system.asked, 2);

    // Passing also ends at the next gesture's start.
    turner.passed(true, 0, Momentum::continued);
    EXPECT_EQ(turner.turn(trackpad(Phase::changed), on, system.callback()), Flip::none);
    EXPECT_EQ(turner.turn(trackpad(Phase::began), on, system.callback()), (Flip{true, true}));
}

TEST(Turner, PassedMomentumEndClearsPassingAndNonGesturesChangeNothing) {
    System system;
    Turner turner;
    Turner::Settings on{true, trackpadStandard};
    turner.passed(true, Phase::changed, 0);
    turner.passed(true, 0, Momentum::ended);
    EXPECT_EQ(turner.turn(trackpad(Phase::changed), on, system.callback()), (Flip{true, true}));

    turner.passed(false, Phase::changed, 0); // a line wheel
    turner.passed(true, 0, 0);               // a continuous scroll outside any gesture
    EXPECT_FALSE(turner.isIdle());
    EXPECT_EQ(turner.turn(trackpad(Phase::changed), on, system.callback()), (Flip{true, true}));
    EXPECT_EQ(system.asked, 1);
}

TEST(Turner, WheelsWithModifierKeysFollowOneSetting) {
    System system; // natural
    Turner turner;
    Directions d{Direction::natural, Direction::natural, Direction::standard, Direction::natural};
    Turner::Settings on{true, d};
    EXPECT_EQ(turner.turn(wheel(), on, system.callback()), (Flip{true, false}));
    EXPECT_EQ(turner.turn(wheel(true, false), on, system.callback()), Flip::none);
    EXPECT_EQ(turner.turn(wheel(true, true), on, system.callback()), (Flip{true, true}));
    ScrollSample smoothShift{Device::mouse, true, 0, 0, true, false};
    EXPECT_EQ(turner.turn(smoothShift, on, system.callback()), (Flip{true, false}));
    // Wheels are decided one by one: each asks the system, nothing is held.
    EXPECT_EQ(system.asked, 4);
    EXPECT_TRUE(turner.isIdle());
}

} // namespace
} // namespace skiro
