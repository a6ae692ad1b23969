#include "CorvaleCore/DispatchPoller.hpp"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// epoll: a timer file for the deadline, an event file for wake-ups and the watched
// descriptors, each armed for one event at a time.
namespace corvale::detail {

namespace {

constexpr std::uint64_t wakeKey = 0;
constexpr std::uint64_t timerKey = 1;

} // namespace

Poller::Poller() {
    kernel_ = ::epoll_create1(EPOLL_CLOEXEC);
    wakeFile_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    timerFile_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
    if (kernel_ < 0 || wakeFile_ < 0 || timerFile_ < 0) {
        std::fprintf(stderr, "dispatch: cannot make its event files: %s\n", std::strerror(errno));
        std::abort();
    }
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u64 = wakeKey;
    ::epoll_ctl(kernel_, EPOLL_CTL_ADD, wakeFile_, &event);
    event.data.u64 = timerKey;
    ::epoll_ctl(kernel_, EPOLL_CTL_ADD, timerFile_, &event);
}

int Poller::watch(int descriptor, std::uint64_t key) {
    epoll_event event{};
    event.events = EPOLLIN | EPOLLRDHUP | EPOLLONESHOT;
    event.data.u64 = key;
    return ::epoll_ctl(kernel_, EPOLL_CTL_ADD, descriptor, &event) == 0 ? 0 : errno;
}

void Poller::rearm(int descriptor, std::uint64_t key) {
    epoll_event event{};
    event.events = EPOLLIN | EPOLLRDHUP | EPOLLONESHOT;
    event.data.u64 = key;
    ::epoll_ctl(kernel_, EPOLL_CTL_MOD, descriptor, &event);
}

void Poller::unwatch(int descriptor) {
    ::epoll_ctl(kernel_, EPOLL_CTL_DEL, descriptor, nullptr);
}

void Poller::wake() {
    std::uint64_t one = 1;
    [[maybe_unused]] ssize_t written = ::write(wakeFile_, &one, sizeof one);
}

void Poller::wait(std::optional<Clock::time_point> deadline, std::vector<std::uint64_t>& ready) {
    itimerspec setting{};
    if (deadline) {
        auto since = deadline->time_since_epoch();
        auto seconds = std::chrono::duration_cast<std::chrono::seconds>(since);
        setting.it_value.tv_sec = static_cast<time_t>(seconds.count());
        setting.it_value.tv_nsec = static_cast<long>(
            std::chrono::duration_cast<std::chrono::nanoseconds>(since - seconds).count());
        // Zero would disarm the timer; a deadline at the clock's start is long past.
        if (since <= Clock::duration::zero()) {
            setting.it_value.tv_sec = 0;
            setting.it_value.tv_nsec = 1;
        }
    }
    ::timerfd_settime(timerFile_, TFD_TIMER_ABSTIME, &setting, nullptr);

    std::array<epoll_event, 32> events{};
    int count = ::epoll_wait(kernel_, events.data(), static_cast<int>(events.size()), -1);
    for (int i = 0; i < count; ++i) {
        std::uint64_t key = events[static_cast<std::size_t>(i)].data.u64;
        if (key == wakeKey || key == timerKey) {
            std::uint64_t value = 0;
            [[maybe_unused]] ssize_t got =
                ::read(key == wakeKey ? wakeFile_ : timerFile_, &value, sizeof value);
            continue;
        }
        ready.push_back(key);
    }
}

} // namespace corvale::detail
