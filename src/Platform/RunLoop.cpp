#include "Platform/RunLoop.hpp"

namespace platform {

bool RunLoop::runUntil(const std::function<bool()>& done, std::chrono::nanoseconds deadline) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + deadline;
    while (!done()) {
        auto left = end - Clock::now();
        if (left <= Clock::duration::zero()) {
            return done();
        }
        // Short passes, so a condition changed by another thread is seen promptly.
        runOnce(std::min<std::chrono::nanoseconds>(left, std::chrono::milliseconds(5)));
    }
    return true;
}

} // namespace platform
