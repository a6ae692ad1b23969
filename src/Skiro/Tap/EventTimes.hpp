#pragma once

#include "Platform/Clock.hpp"

#include <cstdint>

namespace skiro {

// Event timestamps in nanoseconds. The system gives them in machine ticks or in nanoseconds and
// does not say which: read both ways, the one nearer the present is taken.
class EventTimes {
public:
    EventTimes(const platform::Clock& clock, platform::Timebase timebase)
        : clock_(clock), timebase_(timebase) {}

    std::uint64_t nanoseconds(std::uint64_t timestamp) const;

private:
    const platform::Clock& clock_;
    platform::Timebase timebase_;
};

} // namespace skiro
