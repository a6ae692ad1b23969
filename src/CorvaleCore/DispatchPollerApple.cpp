#include "CorvaleCore/DispatchPoller.hpp"

#include <sys/event.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// kqueue: a user event for wake-ups, the wait's own time-out for the deadline, and the watched
// descriptors' read filters, each disabled after it reports (EV_DISPATCH) until rearmed.
namespace corvale::detail {

namespace {

// The user event's identifier; user events and read filters do not share identifiers.
constexpr uintptr_t wakeIdent = 0;

void* keyData(std::uint64_t key) {
    return reinterpret_cast<void*>(static_cast<uintptr_t>(key));
}

// One change, without events back: -1 and errno when the change fails.
int change(int queue, uintptr_t ident, int16_t filter, uint16_t flags, uint32_t fflags,
           void* data) {
    struct kevent event {};
    EV_SET(&event, ident, filter, flags, fflags, 0, data);
    return ::kevent(queue, &event, 1, nullptr, 0, nullptr);
}

} // namespace

Poller::Poller() {
    kernel_ = ::kqueue();
    if (kernel_ < 0 ||
        change(kernel_, wakeIdent, EVFILT_USER, EV_ADD | EV_CLEAR, 0, nullptr) != 0) {
        std::fprintf(stderr, "dispatch: cannot make its event queue: %s\n", std::strerror(errno));
        std::abort();
    }
}

int Poller::watch(int descriptor, std::uint64_t key) {
    // A regular file always reads as ready here; it is refused as on the other systems.
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) {
        return errno;
    }
    if (S_ISREG(status.st_mode)) {
        return EPERM;
    }
    if (change(kernel_, static_cast<uintptr_t>(descriptor), EVFILT_READ, EV_ADD | EV_DISPATCH, 0,
               keyData(key)) != 0) {
        return errno;
    }
    return 0;
}

void Poller::rearm(int descriptor, std::uint64_t key) {
    change(kernel_, static_cast<uintptr_t>(descriptor), EVFILT_READ, EV_ENABLE | EV_DISPATCH, 0,
           keyData(key));
}

void Poller::unwatch(int descriptor) {
    change(kernel_, static_cast<uintptr_t>(descriptor), EVFILT_READ, EV_DELETE, 0, nullptr);
}

void Poller::wake() {
    change(kernel_, wakeIdent, EVFILT_USER, 0, NOTE_TRIGGER, nullptr);
}

void Poller::wait(std::optional<Clock::time_point> deadline, std::vector<std::uint64_t>& ready) {
    timespec timeout{};
    if (deadline) {
        auto left = std::max(*deadline - Clock::now(), Clock::duration::zero());
        auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
        timeout.tv_sec = static_cast<time_t>(seconds.count());
        timeout.tv_nsec = static_cast<long>(
            std::chrono::duration_cast<std::chrono::nanoseconds>(left - seconds).count());
    }
    std::array<struct kevent, 32> events{};
    int count = ::kevent(kernel_, nullptr, 0, events.data(), static_cast<int>(events.size()),
                         deadline ? &timeout : nullptr);
    for (int i = 0; i < count; ++i) {
        const struct kevent& event = events[static_cast<std::size_t>(i)];
        if (event.filter == EVFILT_READ) {
            ready.push_back(static_cast<std::uint64_t>(reinterpret_cast<uintptr_t>(event.udata)));
        }
    }
}

} // namespace corvale::detail
