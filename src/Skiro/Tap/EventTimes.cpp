#include "Skiro/Tap/EventTimes.hpp"

namespace skiro {

namespace {

std::uint64_t distance(std::uint64_t a, std::uint64_t b) {
    return a > b ? a - b : b - a;
}

} // namespace

std::uint64_t EventTimes::nanoseconds(std::uint64_t timestamp) const {
    if (timebase_.numerator == timebase_.denominator) {
        return timestamp;
    }
    const std::uint64_t now = clock_.machAbsoluteTime();
    const std::uint64_t nowNanoseconds = timebase_.nanoseconds(now);
    // Nearer the present counted in ticks: ticks. Otherwise, or equally near: nanoseconds.
    if (distance(timestamp, now) < distance(timestamp, nowNanoseconds)) {
        return timebase_.nanoseconds(timestamp);
    }
    return timestamp;
}

} // namespace skiro
