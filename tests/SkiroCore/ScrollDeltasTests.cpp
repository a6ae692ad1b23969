#include "SkiroCore/ScrollDeltas.hpp"

#include <gtest/gtest.h>

#include <limits>

namespace skiro {
namespace {

TEST(Deltas, FlippedNegatesExactlyTheFlaggedAxes) {
    ScrollDeltas d{{3, 2.5, 40}, {-1, -0.25, -7}};
    EXPECT_EQ(d.flipped(Flip::none), d);
    EXPECT_EQ(d.flipped({true, false}), (ScrollDeltas{{-3, -2.5, -40}, {-1, -0.25, -7}}));
    EXPECT_EQ(d.flipped({false, true}), (ScrollDeltas{{3, 2.5, 40}, {1, 0.25, 7}}));
    for (Flip f : {Flip{true, false}, Flip{false, true}, Flip{true, true}}) {
        EXPECT_EQ(d.flipped(f).flipped(f), d);
    }
    EXPECT_EQ(AxisDeltas::zero.reversed(), AxisDeltas::zero);
}

TEST(Deltas, ReversingTheMostNegativeValueSaturates) {
    constexpr auto min = std::numeric_limits<std::int64_t>::min();
    constexpr auto max = std::numeric_limits<std::int64_t>::max();
    AxisDeltas extreme{min, -1.0, min};
    EXPECT_EQ(extreme.reversed(), (AxisDeltas{max, 1.0, max}));
    EXPECT_EQ((AxisDeltas{max, 0, max}).reversed(), (AxisDeltas{-max, 0, -max}));
}

} // namespace
} // namespace skiro
