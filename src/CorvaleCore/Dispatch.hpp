#pragma once

#include "CorvaleCore/MainLoop.hpp"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

// Queues in the manner of the system's dispatch: the main queue, labelled serial queues and
// global queues by quality of service (timers and read sources are in DispatchSource.hpp).
// Everything here is safe to use from any thread.
namespace corvale {

enum class QualityOfService { background, utility, normal, userInitiated, userInteractive };

std::string_view toString(QualityOfService qos);

// Whether the caller runs on the main thread (the process's first thread), where the main
// queue's work runs.
bool isMainThread();

// Runs work that has no caller to throw to (a queue's thread, an event loop): what it throws is
// logged as an error of the lifecycle category, naming `label`.
void runGuarded(const Work& work, std::string_view label);

namespace detail {
class QueueCore;
} // namespace detail

// A handle to a queue; copies name the same queue.
class DispatchQueue {
public:
    // A serial queue: its work runs one piece at a time, in the order given, on the queue's own
    // thread (named after the end of the label). When the last handle goes, work already given
    // still runs, then the thread ends; dropping the last handle never waits.
    explicit DispatchQueue(std::string label, QualityOfService qos = QualityOfService::normal);

    // The main thread's queue, run by the installed main executor (see MainLoop.hpp).
    static DispatchQueue main();

    // A concurrent queue over a small shared pool of threads; waiting work of a higher quality
    // of service starts first.
    static DispatchQueue global(QualityOfService qos = QualityOfService::normal);

    void async(Work work) const;

    // Runs `work` on this queue once `delay` has passed, never earlier.
    void asyncAfter(std::chrono::nanoseconds delay, Work work) const;

    // Runs `work` on this queue and waits for it; what it throws is thrown here. Called on the
    // queue itself (or for the main queue, on the main thread) it runs at once instead of
    // waiting for itself.
    void sync(const std::function<void()>& work) const;

    const std::string& label() const;
    QualityOfService qos() const;

    // Whether the caller runs on this queue now.
    bool isCurrent() const;

    bool operator==(const DispatchQueue& other) const { return core_ == other.core_; }

private:
    explicit DispatchQueue(std::shared_ptr<detail::QueueCore> core);

    std::shared_ptr<detail::QueueCore> core_;
};

} // namespace corvale
