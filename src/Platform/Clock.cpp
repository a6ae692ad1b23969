#include "Platform/Clock.hpp"

#include <limits>

namespace platform {

namespace {

__extension__ typedef unsigned __int128 Wide;

std::uint64_t mulDiv(std::uint64_t value, std::uint32_t multiplier, std::uint32_t divisor) {
    if (divisor == 0) {
        return 0;
    }
    if (multiplier == divisor) {
        return value;
    }
    // Most values fit in 64 bits once multiplied: a plain division, many times cheaper.
    if (value <= std::numeric_limits<std::uint64_t>::max() / multiplier) {
        return value * multiplier / divisor;
    }
    Wide wide = static_cast<Wide>(value) * multiplier / divisor;
    if (wide > std::numeric_limits<std::uint64_t>::max()) {
        return std::numeric_limits<std::uint64_t>::max();
    }
    return static_cast<std::uint64_t>(wide);
}

} // namespace

std::uint64_t Timebase::nanoseconds(std::uint64_t ticks) const {
    return mulDiv(ticks, numerator, denominator);
}

std::uint64_t Timebase::ticks(std::uint64_t nanoseconds) const {
    return mulDiv(nanoseconds, denominator, numerator);
}

} // namespace platform
