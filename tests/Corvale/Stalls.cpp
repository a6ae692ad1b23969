#include "Stalls.hpp"

#include <sys/syscall.h>
#include <time.h>

#include <thread>

namespace corvale::stalls {

namespace {

using Clock = std::chrono::steady_clock;

// Sleeps in the kernel, entered straight from here rather than through the C library, so the
// program counter of a stopped thread lies in the caller. Interrupted by a signal, it returns
// early.
[[gnu::always_inline]] inline void sleepInTheKernel(std::chrono::nanoseconds duration) {
    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(duration);
    timespec request{static_cast<time_t>(seconds.count()),
                     static_cast<long>((duration - seconds).count())};
#if defined(__x86_64__)
    long result = 0;
    asm volatile("syscall"
                 : "=a"(result)
                 : "0"(static_cast<long>(SYS_nanosleep)), "D"(&request), "S"(nullptr)
                 : "rcx", "r11", "memory");
    (void)result;
#else
    ::nanosleep(&request, nullptr);
#endif
}

} // namespace

// Each sleep is followed by a reading of the clock through the C library, which also lets a
// sanitizer that holds signals back until its next intercepted call deliver them.

[[gnu::noinline]] void holdThisThread(std::chrono::nanoseconds duration) {
    Clock::time_point end = Clock::now() + duration;
    for (Clock::time_point now = Clock::now(); now < end; now = Clock::now()) {
        sleepInTheKernel(end - now);
    }
}

[[gnu::noinline]] void holdUntilReleased(std::atomic<bool>& holding,
                                         const std::atomic<bool>& release) {
    holding.store(true);
    while (!release.load()) {
        sleepInTheKernel(std::chrono::milliseconds(20));
        (void)Clock::now();
    }
}

} // namespace corvale::stalls
