#pragma once

#include <mutex>
#include <utility>

namespace corvale {

// A value behind a small lock that is held only for a copy or a few changes, never across a
// call out of this object. `with` hands the value to a short function under the lock.
template <class T>
class Locked {
public:
    Locked() = default;
    explicit Locked(T value) : value_(std::move(value)) {}

    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

    T copy() const {
        std::lock_guard lock(mutex_);
        return value_;
    }

    void set(T value) {
        std::lock_guard lock(mutex_);
        value_ = std::move(value);
    }

    template <class F>
    decltype(auto) with(F&& f) {
        std::lock_guard lock(mutex_);
        return std::forward<F>(f)(value_);
    }

    template <class F>
    decltype(auto) with(F&& f) const {
        std::lock_guard lock(mutex_);
        return std::forward<F>(f)(value_);
    }

private:
    mutable std::mutex mutex_;
    T value_{};
};

} // namespace corvale
