#include "Platform/Simulated/SimulatedEvent.hpp"

#include <bit>
#include <cmath>
#include <limits>

namespace platform::simulated {

namespace {

constexpr std::int64_t int64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t int64Min = std::numeric_limits<std::int64_t>::min();

// Toward zero, saturating; not-a-number reads as 0.
std::int64_t toInteger(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 9.2233720368547758e18) {
        return int64Max;
    }
    if (value <= -9.2233720368547758e18) {
        return int64Min;
    }
    return static_cast<std::int64_t>(value);
}

std::int64_t roundToInteger(double value) {
    return toInteger(std::round(value));
}

std::int64_t timesPointsPerLine(std::int64_t lines) {
    constexpr auto factor = static_cast<std::int64_t>(pointsPerLine);
    if (lines > int64Max / factor) {
        return int64Max;
    }
    if (lines < int64Min / factor) {
        return int64Min;
    }
    return lines * factor;
}

enum class Measure { line, fixed, point, none };

struct DeltaField {
    Measure measure;
    int axis;
};

DeltaField deltaField(EventField f) {
    switch (f) {
    case field::scrollWheelEventDeltaAxis1:
        return {Measure::line, 0};
    case field::scrollWheelEventDeltaAxis2:
        return {Measure::line, 1};
    case field::scrollWheelEventFixedPtDeltaAxis1:
        return {Measure::fixed, 0};
    case field::scrollWheelEventFixedPtDeltaAxis2:
        return {Measure::fixed, 1};
    case field::scrollWheelEventPointDeltaAxis1:
        return {Measure::point, 0};
    case field::scrollWheelEventPointDeltaAxis2:
        return {Measure::point, 1};
    default:
        return {Measure::none, 0};
    }
}

constexpr EventField lineField[2] = {field::scrollWheelEventDeltaAxis1,
                                     field::scrollWheelEventDeltaAxis2};
constexpr EventField fixedField[2] = {field::scrollWheelEventFixedPtDeltaAxis1,
                                      field::scrollWheelEventFixedPtDeltaAxis2};
constexpr EventField pointField[2] = {field::scrollWheelEventPointDeltaAxis1,
                                      field::scrollWheelEventPointDeltaAxis2};

} // namespace

std::int64_t wholeLines(double lines) {
    if (lines == 0 || std::isnan(lines)) {
        return 0;
    }
    if (std::fabs(lines) < 1) {
        return lines > 0 ? 1 : -1;
    }
    return toInteger(lines);
}

Measures measuresFromPoints(double points) {
    double lines = points / pointsPerLine;
    return {wholeLines(lines), lines, roundToInteger(points)};
}

Measures measuresFromLines(double lines) {
    return {wholeLines(lines), lines, roundToInteger(lines * pointsPerLine)};
}

SimulatedEvent::SimulatedEvent(EventType type) : type_(type) {}

std::int64_t SimulatedEvent::integerValue(EventField f) const {
    if (f >= field::count) {
        return 0;
    }
    if (real_[f]) {
        return toInteger(std::bit_cast<double>(bits_[f]));
    }
    return static_cast<std::int64_t>(bits_[f]);
}

double SimulatedEvent::doubleValue(EventField f) const {
    if (f >= field::count) {
        return 0;
    }
    if (real_[f]) {
        return std::bit_cast<double>(bits_[f]);
    }
    return static_cast<double>(static_cast<std::int64_t>(bits_[f]));
}

void SimulatedEvent::storeInteger(EventField f, std::int64_t value) {
    if (f < field::count) {
        bits_[f] = static_cast<std::uint64_t>(value);
        real_[f] = false;
    }
}

void SimulatedEvent::storeDouble(EventField f, double value) {
    if (f < field::count) {
        bits_[f] = std::bit_cast<std::uint64_t>(value);
        real_[f] = true;
    }
}

void SimulatedEvent::setIntegerValue(EventField f, std::int64_t value) {
    if (f >= field::count || rules_.ignored[f]) {
        return;
    }
    storeInteger(f, value);
    recompute(f);
}

void SimulatedEvent::setDoubleValue(EventField f, double value) {
    if (f >= field::count || rules_.ignored[f]) {
        return;
    }
    storeDouble(f, value);
    recompute(f);
}

void SimulatedEvent::recompute(EventField written) {
    DeltaField delta = deltaField(written);
    int axis = delta.axis;
    switch (delta.measure) {
    case Measure::line:
        if (rules_.lineRecomputes) {
            std::int64_t line = integerValue(written);
            storeDouble(fixedField[axis], static_cast<double>(line));
            storeInteger(pointField[axis], timesPointsPerLine(line));
        }
        break;
    case Measure::fixed:
        if (rules_.fixedRecomputes) {
            Measures m = measuresFromLines(doubleValue(written));
            storeInteger(lineField[axis], m.line);
            storeInteger(pointField[axis], m.point);
        }
        break;
    case Measure::point:
        if (rules_.pointRecomputes) {
            Measures m = measuresFromPoints(static_cast<double>(integerValue(written)));
            storeInteger(lineField[axis], m.line);
            storeDouble(fixedField[axis], m.fixed);
        }
        break;
    case Measure::none:
        break;
    }
}

std::unique_ptr<Event> SimulatedEvent::copy() const {
    return std::make_unique<SimulatedEvent>(*this);
}

Measures SimulatedEvent::measures(int axis) const {
    return {integerValue(lineField[axis]), doubleValue(fixedField[axis]),
            integerValue(pointField[axis])};
}

void SimulatedEvent::storeMeasures(int axis, Measures m) {
    storeInteger(lineField[axis], m.line);
    storeDouble(fixedField[axis], m.fixed);
    storeInteger(pointField[axis], m.point);
}

void SimulatedEvent::setHIDEvent(const IOHIDEvent& hid) {
    hid_ = hid;
    hasHID_ = true;
}

} // namespace platform::simulated
