#include "Corvale/SvgPath.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace corvale {
namespace {

using SvgPath::Point;
using SvgPath::Segment;
using Kind = Segment::Kind;

TEST(SvgPath, ReadsEveryCommandAbsoluteAndRelativeWithCompactNumbers) {
    // Separators may be commas, spaces or nothing where a sign or a second point ends a number.
    auto segments = SvgPath::parse("M10,20 l5-5H1e1v.5e1C0 0,1 1,2 2c1-1.5.5 2 3 3zm1 1 2 2");
    ASSERT_TRUE(segments);
    const std::vector<Segment> expected{
        {Kind::move, {{10, 20}}},
        {Kind::line, {{15, 15}}},
        {Kind::line, {{10, 15}}},
        {Kind::line, {{10, 20}}},
        {Kind::curve, {{0, 0}, {1, 1}, {2, 2}}},
        {Kind::curve, {{3, 0.5}, {2.5, 4}, {5, 5}}},
        {Kind::close, {}},
        // After a close the current point is the subpath's start; a move's repeats are lines.
        {Kind::move, {{11, 21}}},
        {Kind::line, {{13, 23}}},
    };
    EXPECT_EQ(*segments, expected);
    EXPECT_EQ(SvgPath::parse("  "), std::vector<Segment>{});
    EXPECT_EQ(SvgPath::parse("M+1.5E+2-2.5e-1"),
              (std::vector<Segment>{{Kind::move, {Point{150, -0.25}}}}));
}

TEST(SvgPath, RefusesWhatIsNotPathData) {
    for (const char* data : {"L1 2", "10 20", "M1", "M1 2 L", "M1 2 A1 1 0 0 1 2 2", "M1e 2",
                             "M. 2", "M1 2 H-", "M1e999 2", "M1 2 C1 2 3 4 5", "M--1 2"}) {
        EXPECT_FALSE(SvgPath::parse(data)) << data;
    }
}

} // namespace
} // namespace corvale
