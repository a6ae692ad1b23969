#pragma once

#include <chrono>
#include <cstdint>

// The machine's clocks: ticks since boot with the time base that turns them into nanoseconds,
// and the uptime.
namespace platform {

struct Timebase {
    std::uint32_t numerator = 1;
    std::uint32_t denominator = 1;

    // ticks × numerator ÷ denominator without overflowing in between; saturates.
    std::uint64_t nanoseconds(std::uint64_t ticks) const;
    std::uint64_t ticks(std::uint64_t nanoseconds) const;

    bool operator==(const Timebase&) const = default;
};

class Clock {
public:
    virtual ~Clock() = default;

    virtual std::uint64_t machAbsoluteTime() const = 0;
    virtual Timebase timebase() const = 0;
    // Nanoseconds since boot; does not jump with the wall clock.
    virtual std::uint64_t uptimeNanoseconds() const = 0;
    double systemUptime() const { return static_cast<double>(uptimeNanoseconds()) / 1e9; }

    // Sleeps the calling thread. (The simulation advances its clock instead of waiting.)
    virtual void sleep(std::chrono::nanoseconds duration) = 0;
};

} // namespace platform
