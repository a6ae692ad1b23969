#pragma once

#include "Corvale/StackSampler.hpp"
#include "CorvaleCore/DispatchSource.hpp"
#include "CorvaleCore/Locked.hpp"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corvale {

// Watches the application's own main thread. A once-a-second timer on the watch's own queue
// posts a heartbeat to the main queue and measures how long ago the main thread last ran one.
// When it has been silent for the threshold or longer, the watch samples the main thread's
// stack, logs the hang and records it in the last-run record, where a run killed while hanging
// is found at the next start; when the main thread answers again, it logs the hang's length and
// moves the hang into the recent hangs. A hang is reported once when it begins and once when it
// ends, however many ticks it spans.
//
// With one-second ticks a healthy main thread shows a silence of about one second at each
// check, so a hang is declared between 2.5 and about 3.5 seconds after its last answer.
class HangWatch : public std::enable_shared_from_this<HangWatch> {
public:
    // Seconds of system uptime: a clock that does not jump with the wall clock.
    using Uptime = std::function<double()>;
    using WallClock = std::function<std::chrono::system_clock::time_point()>;

    struct Options {
        // Silence of the main thread, in seconds, from which a hang is declared.
        double threshold = 2.5;
        std::chrono::nanoseconds interval = std::chrono::seconds(1);
        std::chrono::nanoseconds leeway = std::chrono::milliseconds(500);
        // How long a sample waits for the main thread to answer the sampling signal.
        std::chrono::milliseconds sampleWait = StackSampler::defaultWait;
        // Empty: the system's clocks.
        Uptime uptime;
        WallClock now;
    };

    // The application's one watch, made on first use; the application starts it when launching
    // has finished, and it is never stopped.
    static HangWatch& shared();

    // A fresh watch (tests); it stops when the last reference goes.
    static std::shared_ptr<HangWatch> make(Options options);
    static std::shared_ptr<HangWatch> make() { return make(Options{}); }

    HangWatch(const HangWatch&) = delete;
    HangWatch& operator=(const HangWatch&) = delete;
    ~HangWatch();

    // Begins watching the calling thread as the main thread. Does nothing when the watch runs
    // already or the caller is not the main thread.
    void start();

    bool isWatching() const { return started_.load(std::memory_order_acquire); }

    // Labelled with the bundle identifier followed by ".hangwatch".
    const DispatchQueue& queue() const { return queue_; }
    double threshold() const { return options_.threshold; }

    // Runs one tick now, on the watch's queue, and waits for it: what the timer does each
    // interval (tests tick by hand with a slow timer and their own clocks). Nothing before
    // `start()`.
    void tick();

private:
    explicit HangWatch(Options options);

    void check();
    std::vector<std::string> sampleMainThread() const;
    double uptime() const;

    const Options options_;
    DispatchQueue queue_;
    std::optional<DispatchSource> timer_;
    std::atomic<bool> started_{false};
    // When the main thread last ran a heartbeat, in seconds of uptime.
    Locked<double> lastBeat_{0};
    // Touched only on the queue: the `lastBeat_` at which the hang in progress began.
    std::optional<double> hangStart_;
    // Written by `start()` before the timer exists.
    std::optional<StackSampler> mainThread_;
};

} // namespace corvale
