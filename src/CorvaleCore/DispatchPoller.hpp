#pragma once

#include "CorvaleCore/DispatchInternal.hpp"

#include <cstdint>
#include <optional>
#include <vector>

// The kernel's side of the sources' thread, one implementation per system
// (DispatchPollerLinux.cpp, DispatchPollerApple.cpp).
namespace corvale::detail {

// Waits for watched descriptors, a deadline and wake-ups. `wait` is called from one thread;
// the rest from any thread.
class Poller {
public:
    // Ends the process when the system refuses the files it needs: no timer could run.
    Poller();
    Poller(const Poller&) = delete;
    Poller& operator=(const Poller&) = delete;

    // Watches `descriptor` for one event, reported with `key`: something to read, its end, or
    // an error. 0, or the system's error number (a regular file cannot be watched).
    int watch(int descriptor, std::uint64_t key);
    // Watches again for one event, after one was reported.
    void rearm(int descriptor, std::uint64_t key);
    void unwatch(int descriptor);

    // Ends a `wait` now, or the next one if none is under way.
    void wake();

    // Waits until a watched descriptor is ready, `deadline` has passed (never, without one) or
    // `wake` is called; adds the keys of the ready descriptors to `ready`.
    void wait(std::optional<Clock::time_point> deadline, std::vector<std::uint64_t>& ready);

private:
    int kernel_ = -1;
#if !defined(__APPLE__)
    // An event file for wake-ups and a timer file for the deadline; kqueue has its own.
    int wakeFile_ = -1;
    int timerFile_ = -1;
#endif
};

} // namespace corvale::detail
