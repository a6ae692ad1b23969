#include "Platform/Simulated/SimulatedClock.hpp"

namespace platform::simulated {

namespace {

std::uint64_t pack(Timebase t) {
    return (std::uint64_t{t.numerator} << 32) | t.denominator;
}

Timebase unpack(std::uint64_t packed) {
    return {static_cast<std::uint32_t>(packed >> 32), static_cast<std::uint32_t>(packed)};
}

} // namespace

SimulatedClock::SimulatedClock(bool followsRealTime)
    : followsRealTime_(followsRealTime), started_(std::chrono::steady_clock::now()),
      timebase_(pack({125, 3})) {}

std::uint64_t SimulatedClock::machAbsoluteTime() const {
    return timebase().ticks(uptimeNanoseconds());
}

Timebase SimulatedClock::timebase() const {
    return unpack(timebase_.load(std::memory_order_relaxed));
}

std::uint64_t SimulatedClock::uptimeNanoseconds() const {
    std::uint64_t now = offset_.load(std::memory_order_acquire);
    if (followsRealTime_) {
        auto elapsed = std::chrono::steady_clock::now() - started_;
        now += static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count());
    }
    return now;
}

void SimulatedClock::advance(std::chrono::nanoseconds duration) {
    if (duration.count() > 0) {
        offset_.fetch_add(static_cast<std::uint64_t>(duration.count()), std::memory_order_acq_rel);
    }
}

void SimulatedClock::setTimebase(Timebase timebase) {
    if (timebase.numerator != 0 && timebase.denominator != 0) {
        timebase_.store(pack(timebase), std::memory_order_relaxed);
    }
}

} // namespace platform::simulated
