#pragma once

#include "Platform/Clock.hpp"

namespace platform::mac {

// Mach absolute time: ticks since boot, not counting sleep.
class MacClock final : public Clock {
public:
    MacClock();

    std::uint64_t machAbsoluteTime() const override;
    Timebase timebase() const override { return timebase_; }
    std::uint64_t uptimeNanoseconds() const override;
    void sleep(std::chrono::nanoseconds duration) override;

private:
    Timebase timebase_;
};

} // namespace platform::mac
