#include "Skiro/UI/Icon.hpp"

#include <gtest/gtest.h>

namespace skiro {
namespace {

using State = Live::State;

// The alpha (0 to 255) at a point of the drawing, given with the origin at the bottom left, in
// an image drawn at scale 2.
int alphaAt(const QImage& image, double x, double y) {
    return qAlpha(image.pixel(static_cast<int>(x * 2), static_cast<int>((16 - y) * 2)));
}

TEST(Icon, RingCentreMarkAndDotAtScaleTwo) {
    const QImage running = Icon::menuBar(State::running, false, 2);
    const QImage paused = Icon::menuBar(State::paused, false, 2);
    const QImage waiting = Icon::menuBar(State::waiting, false, 2);
    const QImage stopped = Icon::menuBar(State::stopped, false, 2);
    ASSERT_EQ(running.size(), QSize(40, 32));

    // Segment 6 (alpha 1.0, around 166 degrees) and segment 0 (alpha 0.3, around 82 degrees),
    // the layer at 1.0 while running and 0.4 otherwise.
    EXPECT_NEAR(alphaAt(running, 4.6, 9.35), 255, 3);
    EXPECT_NEAR(alphaAt(paused, 4.6, 9.35), 102, 3);
    EXPECT_NEAR(alphaAt(running, 10.75, 13.45), 77, 3);
    EXPECT_NEAR(alphaAt(stopped, 10.75, 13.45), 31, 3);
    // The gap between two segments (at 59 degrees) stays clear.
    EXPECT_EQ(alphaAt(running, 10 + 5.55 * 0.515, 8 + 5.55 * 0.857), 0);

    // The centre: a full disc running, a faint one paused; an exclamation mark otherwise, its
    // bar and its dot apart.
    EXPECT_EQ(alphaAt(running, 8.2, 8), 255);
    EXPECT_NEAR(alphaAt(paused, 8.2, 8), 102, 3);
    for (const QImage& mark : {waiting, stopped}) {
        EXPECT_EQ(alphaAt(mark, 10, 10), 255);
        EXPECT_EQ(alphaAt(mark, 10, 5.75), 255);
        EXPECT_LT(alphaAt(mark, 10, 7.05), 64);
        EXPECT_EQ(alphaAt(mark, 8.2, 8), 0);
    }

    // The dot, and the cleared ring around it where segment 1 was.
    const QImage dotted = Icon::menuBar(State::running, true, 2);
    EXPECT_EQ(alphaAt(dotted, 17, 13), 255);
    EXPECT_NEAR(alphaAt(running, 14.3, 12.9), 106, 3);
    EXPECT_EQ(alphaAt(dotted, 14.3, 12.9), 0);
    EXPECT_EQ(alphaAt(running, 17, 13), 0);
}

} // namespace
} // namespace skiro
