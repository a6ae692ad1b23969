#include "SkiroEngine/ScrollTest.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace skiro {
namespace {

using Phase = ScrollSample::Phase;

ScrollSample touch(std::int64_t phase, std::int64_t momentum = 0) {
    return ScrollSample{
        .device = Device::trackpad, .continuous = true, .phase = phase, .momentum = momentum};
}

const ScrollSample wheel{.device = Device::mouse};

// One trackpad gesture along the vertical axis: mayBegin, began, then `steps` changes each
// moving by (along, across). What each scroll returned, in order.
std::vector<bool> swipe(ScrollTest& test, double along, double across, int steps, double time = 0) {
    std::vector<bool> results;
    results.push_back(test.scrolled(touch(Phase::mayBegin), 0, 0, time));
    results.push_back(test.scrolled(touch(Phase::began), 0, 0, time));
    for (int i = 0; i < steps; ++i) {
        results.push_back(test.scrolled(touch(Phase::changed), along, across, time + 0.01 * i));
    }
    return results;
}

std::optional<Direction> answer(const ScrollTest& test, Device device, Axis axis) {
    auto found = test.found().find(device);
    if (found == test.found().end() || !found->second.contains(axis)) {
        return std::nullopt;
    }
    return found->second.at(axis);
}

TEST(ScrollTest, AGestureAnswersOnceWhenItMovesFarEnoughMostlyAlongTheAxis) {
    ScrollTest test;
    // 4 points a step: the fourth change reaches 16, past the threshold of 15.
    EXPECT_EQ(swipe(test, 4, 0, 6),
              (std::vector<bool>{false, false, false, false, false, true, false, false}));
    EXPECT_EQ(answer(test, Device::trackpad, Axis::vertical), Direction::natural);
    EXPECT_TRUE(test.hasAnswer(Axis::vertical));
    EXPECT_FALSE(test.hasAnswer(Axis::horizontal));

    ScrollTest sideways;
    swipe(sideways, 1, 3, 40);
    EXPECT_FALSE(sideways.hasAnswer(Axis::vertical)) << "movement mostly across answers nothing";

    ScrollTest coasting;
    EXPECT_FALSE(coasting.scrolled(touch(0, ScrollSample::Momentum::continued), 500, 0, 0));
    EXPECT_TRUE(coasting.found().empty()) << "momentum never counts";
}

TEST(ScrollTest, ALaterGestureChangesTheAnswerOnlyWhenItGoesTheOtherWay) {
    ScrollTest test;
    swipe(test, 5, 0, 4);
    // A long pause inside a gesture still adds up: only a new gesture starts afresh.
    EXPECT_EQ(swipe(test, 5, 0, 4, 100).back(), false);
    EXPECT_TRUE(swipe(test, -5, 0, 4, 200)[4]);
    EXPECT_EQ(answer(test, Device::trackpad, Axis::vertical), Direction::standard);
}

TEST(ScrollTest, WheelStepsAddUpWithinAPauseAndRestartOnReversal) {
    ScrollTest test;
    EXPECT_FALSE(test.scrolled(wheel, -1, 0, 0.0));
    EXPECT_TRUE(test.scrolled(wheel, -1, 0, 0.2));
    EXPECT_FALSE(test.scrolled(wheel, -1, 0, 0.3)) << "already decided";
    EXPECT_EQ(answer(test, Device::mouse, Axis::vertical), Direction::standard);

    ScrollTest apart;
    EXPECT_FALSE(apart.scrolled(wheel, 1, 0, 0.0));
    EXPECT_FALSE(apart.scrolled(wheel, 1, 0, 0.4));
    EXPECT_TRUE(apart.found().empty()) << "steps 0.4 s apart never add up";

    ScrollTest reversed;
    EXPECT_FALSE(reversed.scrolled(wheel, 1, 0, 0.0));
    EXPECT_FALSE(reversed.scrolled(wheel, -1, 0, 0.1)) << "the reversal starts afresh";
    EXPECT_TRUE(reversed.scrolled(wheel, -1, 0, 0.2));
    EXPECT_EQ(answer(reversed, Device::mouse, Axis::vertical), Direction::standard);
}

TEST(ScrollTest, SwitchingTheAxisForgetsGesturesInProgressButKeepsAnswers) {
    ScrollTest test;
    test.setAxis(Axis::horizontal);
    EXPECT_TRUE(test.scrolled(wheel, 0, 3, 0.0)) << "the horizontal movement counts";
    test.setAxis(Axis::vertical);
    EXPECT_FALSE(test.scrolled(wheel, 1, 0, 0.1));
    test.setAxis(Axis::horizontal);
    test.setAxis(Axis::vertical);
    EXPECT_FALSE(test.scrolled(wheel, 1, 0, 0.2)) << "the step before the switch is forgotten";
    EXPECT_TRUE(test.scrolled(wheel, 1, 0, 0.3));
    EXPECT_EQ(answer(test, Device::mouse, Axis::horizontal), Direction::natural);
    EXPECT_EQ(answer(test, Device::mouse, Axis::vertical), Direction::natural);
}

TEST(ScrollTest, AppliedChoosesOnlyTheAnswersFoundAndWithoutOneKeepsFollowingTheSystem) {
    ScrollTest test;
    test.scrolled(wheel, -3, 0, 0);
    Directions expected = Directions::system(true);
    expected.mouseVertical = Direction::standard;
    EXPECT_EQ(test.applied(Config(), true).directions, expected);
    EXPECT_EQ(ScrollTest().applied(Config(), true), Config());
}

} // namespace
} // namespace skiro
