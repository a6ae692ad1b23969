#include "LiveTap.hpp"
#include "Skiro/Tap/ScrollFields.hpp"

#include <gtest/gtest.h>

namespace skiro {
namespace {

using test::SpyEvent;
using namespace platform;
using platform::simulated::SimulatedEvent;

SimulatedEvent scrollEvent(AxisDeltas vertical, AxisDeltas horizontal) {
    SimulatedEvent event(EventType::scrollWheel);
    event.storeMeasures(0, {vertical.line, vertical.fixedPoint, vertical.point});
    event.storeMeasures(1, {horizontal.line, horizontal.fixedPoint, horizontal.point});
    return event;
}

TEST(ScrollDeltasFields, ReadTakesIntegersAndTheFixedPointAsAReal) {
    SimulatedEvent event = scrollEvent({-2, -1.75, -18}, {1, 0.5, 5});
    EXPECT_EQ(readDeltas(event), (ScrollDeltas{{-2, -1.75, -18}, {1, 0.5, 5}}));
}

TEST(ScrollDeltasFields, WriteTouchesOnlyTheNamedAxesInTheGivenOrder) {
    SpyEvent event(scrollEvent({1, 1.5, 15}, {2, 2.5, 25}));
    const ScrollDeltas deltas{{-1, -1.5, -15}, {-2, -2.5, -25}};
    const DeltaField reversed[] = {DeltaField::point, DeltaField::fixed, DeltaField::line};

    write(deltas, event, Flip{true, false}, reversed);
    EXPECT_EQ(event.writes, (std::vector<EventField>{96, 93, 11}));
    EXPECT_EQ(readDeltas(event), (ScrollDeltas{{-1, -1.5, -15}, {2, 2.5, 25}}));

    event.writes.clear();
    write(deltas, event, Flip{true, true}, pipelineWriteOrder);
    EXPECT_EQ(event.writes, (std::vector<EventField>{11, 93, 96, 12, 94, 97}));
    EXPECT_EQ(readDeltas(event), deltas);

    event.writes.clear();
    write(deltas, event, Flip::none, pipelineWriteOrder);
    const DeltaField pointOnly[] = {DeltaField::point};
    write(ScrollDeltas{{0, 0, 7}, {0, 0, 8}}, event, Flip{false, true}, pointOnly);
    EXPECT_EQ(event.writes, (std::vector<EventField>{97}));
    EXPECT_EQ(event.integerValue(97), 8);
}

TEST(ScrollDeltasFields, TextNamesBothAxesLineFixedPoint) {
    const ScrollDeltas deltas{{-1, -1.5, -15}, {0, 0, 0}};
    EXPECT_EQ(toString(deltas), "(vertical: line -1, fixed -1.5, point -15; "
                                "horizontal: line 0, fixed 0, point 0)");

    // The longest values still fit whole.
    const AxisDeltas widest{std::numeric_limits<std::int64_t>::min(), -2.2250738585072014e-308,
                            std::numeric_limits<std::int64_t>::min()};
    const std::string text = toString(ScrollDeltas{widest, widest});
    EXPECT_EQ(text.back(), ')');
    EXPECT_NE(text.find("horizontal: line -9223372036854775808, fixed -2.2250738585072014e-308, "
                        "point -9223372036854775808)"),
              std::string::npos);

    // The longest failure fits whole too.
    char failure[rewriteFailureCapacity];
    const std::size_t length =
        describeRewriteFailure(ScrollDeltas{widest, widest}, ScrollDeltas{widest, widest}, failure);
    EXPECT_EQ(std::string(failure, length), "wanted " + text + ", got " + text);

    // A buffer too small is filled, never overrun.
    char small[8];
    EXPECT_EQ(describe(deltas, small), sizeof small);
    EXPECT_EQ(std::string(small, sizeof small), "(vertica");
}

} // namespace
} // namespace skiro
