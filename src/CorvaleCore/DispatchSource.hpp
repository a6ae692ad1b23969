#pragma once

#include "CorvaleCore/Dispatch.hpp"
#include "CorvaleCore/Error.hpp"

#include <chrono>
#include <functional>
#include <memory>
#include <string>

// Timers and read sources that run a handler on a queue. Safe to use from any thread.
namespace corvale {

namespace detail {
struct SourceCore;
} // namespace detail

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
