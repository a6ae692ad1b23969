#include "Skiro/Tap/InputTap.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace skiro {
namespace {

using Cost = InputTap::Cost;

TEST(Cost, BucketsSplitAtTheirBounds) {
    struct Case {
        std::uint64_t nanoseconds;
        std::size_t bucket;
    };
    const Case cases[] = {{0, 0},       {9'999, 0},   {10'000, 1},    {24'999, 1},
                          {25'000, 2},  {50'000, 3},  {99'999, 3},    {100'000, 4},
                          {250'000, 5}, {999'999, 5}, {1'000'000, 6}, {~std::uint64_t{0}, 6}};
    for (const Case& c : cases) {
        Cost cost;
        cost.add(c.nanoseconds);
        std::array<std::int64_t, 7> expected{};
        expected[c.bucket] = 1;
        EXPECT_EQ(cost.spread, expected) << c.nanoseconds << " ns";
    }
}

TEST(Cost, AverageAndMostInMicroseconds) {
    Cost cost;
    cost.add(1'000);
    cost.add(2'001);
    corvale::json::Json report = cost.report();
    // 3,001 ÷ 2 = 1,500 ns, whole nanoseconds first.
    EXPECT_DOUBLE_EQ(report["averageMicroseconds"].get<double>(), 1.5);
    EXPECT_DOUBLE_EQ(report["mostMicroseconds"].get<double>(), 2.001);
    EXPECT_EQ(report["events"], 2);
}

TEST(Cost, SpreadTextNamesOnlyFilledBucketsWithTheMicroSign) {
    Cost cost;
    for (int i = 0; i < 523; ++i) {
        cost.add(3'000);
    }
    for (int i = 0; i < 12; ++i) {
        cost.add(17'000);
    }
    cost.add(1'200'000);
    // The micro sign, U+00B5, as UTF-8.
    EXPECT_EQ(cost.spreadText(),
              "under 10 \xC2\xB5s: 523, under 25 \xC2\xB5s: 12, 1000 \xC2\xB5s and over: 1");
    EXPECT_EQ(cost.report()["spread"], cost.spreadText());
}

TEST(Tally, KeepsTicksAndBucketsThemAsTheirNanosecondsWouldBe) {
    for (const platform::Timebase timebase : {platform::Timebase{1, 1}, {125, 3}, {3, 125}}) {
        tap::Tally tally(timebase);
        Cost expected;
        // Around each bound, where rounding the ticks down to nanoseconds decides the bucket.
        for (std::uint64_t bound : Cost::bounds) {
            const std::uint64_t near = timebase.ticks(bound * 1000);
            for (std::uint64_t ticks = near > 3 ? near - 3 : 0; ticks <= near + 3; ++ticks) {
                tally.passed(ticks);
                expected.add(timebase.nanoseconds(ticks));
            }
        }
        const InputTap::Stats stats = tally.copy();
        EXPECT_EQ(stats.fast.spread, expected.spread) << timebase.numerator;
        EXPECT_EQ(stats.fast.most, expected.most);
        EXPECT_NEAR(static_cast<double>(stats.fast.total), static_cast<double>(expected.total),
                    static_cast<double>(expected.count));
    }
}

TEST(Tally, ACopyIsConsistentWhileTheTapThreadCountsAndAddsTheRareChanges) {
    tap::Tally tally(platform::Timebase{125, 3});
    tally.update([](InputTap::Stats& stats) {
        stats.scrolls = 7;
        stats.restarts = 1;
    });
    std::atomic<bool> done{false};
    std::thread tapThread([&] {
        for (int i = 0; i < 200'000; ++i) {
            if (i % 2 == 0) {
                tally.passed(10);
            } else {
                tally.scrolled({Device::trackpad, false, true, true}, 20);
            }
        }
        done = true;
    });
    for (bool last = false; !last;) {
        last = done.load();
        const InputTap::Stats stats = tally.copy();
        ASSERT_EQ(stats.scrolls - 7, stats.passed + stats.trackpad);
        ASSERT_EQ(stats.passed, stats.fast.count);
        ASSERT_EQ(stats.trackpadTurned, stats.full.count);
        ASSERT_LE(stats.trackpad, stats.passed);
        EXPECT_EQ(stats.restarts, 1);
    }
    tapThread.join();
    EXPECT_EQ(tally.copy().scrolls, 200'007);
}

} // namespace
} // namespace skiro
