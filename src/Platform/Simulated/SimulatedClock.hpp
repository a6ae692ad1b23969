#pragma once

#include "Platform/Clock.hpp"

#include <atomic>
#include <chrono>
#include <cstdint>

namespace platform::simulated {

// The simulated machine's clock. In tests it moves only when told to (advance, or a sleep on
// any thread), so everything that reads time is deterministic; the running application lets it
// follow real time as well. Timestamps and ticks derive from one count of nanoseconds.
class SimulatedClock final : public Clock {
public:
    // The machine has been up an hour when the simulation starts.
    static constexpr std::uint64_t bootOffset = 3'600'000'000'000;

    explicit SimulatedClock(bool followsRealTime = false);

    std::uint64_t machAbsoluteTime() const override;
    Timebase timebase() const override;
    std::uint64_t uptimeNanoseconds() const override;
    // Advances the clock by `duration` and returns at once.
    void sleep(std::chrono::nanoseconds duration) override { advance(duration); }

    void advance(std::chrono::nanoseconds duration);
    // Apple silicon reports 125/3; Intel machines 1/1.
    void setTimebase(Timebase timebase);

private:
    const bool followsRealTime_;
    const std::chrono::steady_clock::time_point started_;
    std::atomic<std::uint64_t> offset_{bootOffset};
    std::atomic<std::uint64_t> timebase_;
    // A still clock's ticks, kept ready as it moves: read like a real machine's counter,
    // without converting on every read.
    std::atomic<std::uint64_t> ticks_;

    void keepTicks();
};

} // namespace platform::simulated
