#pragma once

#include "CorvaleCore/Error.hpp"
#include "CorvaleCore/MainLoop.hpp"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

// Queues in the manner of the system's dispatch: the main queue, labelled serial queues, global
// queues by quality of service, and timers and read sources that run a handler on a queue.
// Everything here is safe to use from any thread.
namespace corvale {

enum class QualityOfService { background, utility, normal, userInitiated, userInteractive };

std::string_view toString(QualityOfService qos);

// Whether the caller runs on the main thread (the process's first thread), where the main
// queue's work runs.
bool isMainThread();

namespace detail {
class QueueCore;
struct SourceCore;
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

// A descriptor that cannot be watched.
class DispatchError : public Error {
public:
    DispatchError(int descriptor, int errorNumber);
    int errorNumber() const { return errno_; }
    std::string description() const override;

private:
    int descriptor_;
    int errno_;
};

// A timer or a read source: runs its handler on its queue when it fires, until cancelled.
// Handlers of one source never overlap, and a source that fires while its handler is still
// waiting or running does not queue a second call. Dropping the handle cancels.
//
// Handlers that refer to their owner should hold it weakly, as the owner may go while a call is
// on its way.
class DispatchSource {
public:
    using Handler = std::function<void()>;
    using Duration = std::chrono::nanoseconds;

    // Fires once, `delay` from now. It may fire up to `leeway` late, which lets the system wake
    // once for several timers; it never fires early.
    static DispatchSource timer(const DispatchQueue& queue, Duration delay, Duration leeway,
                                Handler handler);

    // Fires first `delay` from now, then every `interval` after that first deadline (late
    // calls do not shift later deadlines), each up to `leeway` late.
    static DispatchSource repeatingTimer(const DispatchQueue& queue, Duration delay,
                                         Duration interval, Duration leeway, Handler handler);

    // Fires whenever `descriptor` has something to read (or is at its end, or failed), again
    // after each call for as long as that holds. The source watches its own duplicate of the
    // descriptor, so cancel it before closing the descriptor, or the descriptor's file stays
    // open until it is cancelled. Throws DispatchError for a descriptor that cannot be watched
    // (not open, or a regular file).
    static DispatchSource read(int descriptor, const DispatchQueue& queue, Handler handler);

    DispatchSource(DispatchSource&& other) noexcept;
    DispatchSource& operator=(DispatchSource&& other) noexcept;
    DispatchSource(const DispatchSource&) = delete;
    DispatchSource& operator=(const DispatchSource&) = delete;
    ~DispatchSource();

    // No call of the handler starts after this returns, and one that is running has finished,
    // unless `cancel` is called from the handler itself. The handler is released. Do not
    // cancel while holding a lock that the handler takes.
    void cancel();
    bool isCancelled() const;

private:
    explicit DispatchSource(std::shared_ptr<detail::SourceCore> core);

    std::shared_ptr<detail::SourceCore> core_;
};

} // namespace corvale
