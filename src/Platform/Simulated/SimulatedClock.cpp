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
      timebase_(pack({125, 3})), ticks_(timebase().ticks(bootOffset)) {}

std::uint64_t SimulatedClock::machAbsoluteTime() const {
    if (!followsRealTime_) {
        return ticks_.load(std::memory_order_acquire);
    }
    return timebase().ticks(uptimeNanoseconds());
}

void SimulatedClock::keepTicks() {
    // Concurrent moves: the latest offset's ticks win, and ticks never go back.
    const std::uint64_t wanted = timebase().ticks(offset_.load(std::memory_order_acquire));
    std::uint64_t kept = ticks_.load(std::memory_order_relaxed);
    while (kept < wanted &&
           !ticks_.compare_exchange_weak(kept, wanted, std::memory_order_acq_rel)) {
    }
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
        keepTicks();
    }
}

void SimulatedClock::setTimebase(Timebase timebase) {
    if (timebase.numerator != 0 && timebase.denominator != 0) {
        timebase_.store(pack(timebase), std::memory_order_relaxed);
        ticks_.store(timebase.ticks(offset_.load(std::memory_order_acquire)),
                     std::memory_order_release);
    }
}

} // namespace platform::simulated
