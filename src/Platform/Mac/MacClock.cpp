#include "Platform/Mac/MacClock.hpp"

#include <mach/kern_return.h>
#include <mach/mach_time.h>

#include <thread>

namespace platform::mac {

MacClock::MacClock() {
    mach_timebase_info_data_t info{};
    if (mach_timebase_info(&info) == KERN_SUCCESS && info.denom != 0) {
        timebase_ = Timebase{info.numer, info.denom};
    }
}

std::uint64_t MacClock::machAbsoluteTime() const {
    return mach_absolute_time();
}

std::uint64_t MacClock::uptimeNanoseconds() const {
    return timebase_.nanoseconds(mach_absolute_time());
}

void MacClock::sleep(std::chrono::nanoseconds duration) {
    std::this_thread::sleep_for(duration);
}

} // namespace platform::mac
