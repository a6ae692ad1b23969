#include "Platform/Clock.hpp"

#include <gtest/gtest.h>

#include <limits>

namespace platform {
namespace {

TEST(Timebase, ConvertsWithoutOverflowInBetween) {
    Timebase silicon{125, 3};
    EXPECT_EQ(silicon.nanoseconds(3), 125u);
    EXPECT_EQ(silicon.ticks(125), 3u);
    // ticks × 125 overflows 64 bits long before the result does.
    std::uint64_t ticks = std::numeric_limits<std::uint64_t>::max() / 100;
    EXPECT_EQ(silicon.nanoseconds(ticks), ticks / 3 * 125 + (ticks % 3) * 125 / 3);
    EXPECT_EQ(silicon.nanoseconds(std::numeric_limits<std::uint64_t>::max()),
              std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ((Timebase{1, 1}).nanoseconds(42), 42u);
    EXPECT_EQ((Timebase{1, 0}).nanoseconds(42), 0u);
}

} // namespace
} // namespace platform
