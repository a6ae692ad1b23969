#pragma once

#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/Bundle.hpp"
#include "CorvaleCore/Log.hpp"
#include "CorvaleCore/LogStore.hpp"

#include <chrono>
#include <mutex>

namespace corvale::test {

// Sets `AppIdentity::current()` for one test and forgets it after.
class ScopedIdentity {
public:
    explicit ScopedIdentity(AppIdentity identity) { AppIdentity::setCurrent(std::move(identity)); }
    ScopedIdentity(const ScopedIdentity&) = delete;
    ScopedIdentity& operator=(const ScopedIdentity&) = delete;
    ~ScopedIdentity() { AppIdentity::resetCurrent(); }
};

// Replaces the main bundle for one test and puts the old one back after.
class ScopedBundle {
public:
    explicit ScopedBundle(Bundle bundle) : saved_(Bundle::replaceMain(std::move(bundle))) {}
    ScopedBundle(const ScopedBundle&) = delete;
    ScopedBundle& operator=(const ScopedBundle&) = delete;
    ~ScopedBundle() { Bundle::replaceMain(std::move(saved_)); }

private:
    Bundle saved_;
};

// A clock a test moves by hand; safe to read from any thread.
class ManualClock {
public:
    using time_point = std::chrono::system_clock::time_point;

    explicit ManualClock(time_point start) : now_(start) {}

    time_point now() const {
        std::lock_guard lock(mutex_);
        return now_;
    }
    void set(time_point date) {
        std::lock_guard lock(mutex_);
        now_ = date;
    }
    void advance(std::chrono::system_clock::duration by) {
        std::lock_guard lock(mutex_);
        now_ += by;
    }

private:
    mutable std::mutex mutex_;
    time_point now_;
};

// A clean log for one test: the shared store emptied, debug off, detailed logging off, and the
// store dated by `clock` (when given) until the object goes.
class ScopedLog {
public:
    ScopedLog() { reset(); }
    explicit ScopedLog(const ManualClock& clock) {
        reset();
        LogStore::shared().setClock([&clock] { return clock.now(); });
    }
    ScopedLog(const ScopedLog&) = delete;
    ScopedLog& operator=(const ScopedLog&) = delete;
    ~ScopedLog() { reset(); }

private:
    static void reset() {
        LogStore::shared().reset();
        Log::setDetailed(false);
    }
};

} // namespace corvale::test
