#pragma once

#include "Platform/RunLoop.hpp"

#include <CoreFoundation/CoreFoundation.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace platform::mac {

// A Core Foundation run-loop source, owned. It remembers the loops it was added to, so that
// destroying it takes it off them.
class MacRunLoopSource final : public RunLoopSource {
public:
    // `port` (may be NULL) is owned too and invalidated first: a bare port keeps a loop alive.
    // `callout` is what the source's callout reads (a tap's context): let go of, once the source
    // is destroyed, on every loop the source was ever on, so never under a callout in flight.
    MacRunLoopSource(CFRunLoopSourceRef source, CFMachPortRef port,
                     std::shared_ptr<const void> callout = nullptr) noexcept;
    MacRunLoopSource(const MacRunLoopSource&) = delete;
    MacRunLoopSource& operator=(const MacRunLoopSource&) = delete;
    ~MacRunLoopSource() override;

    CFRunLoopSourceRef source() const noexcept { return source_; }
    void added(CFRunLoopRef loop, CFRunLoopMode mode);
    void removed(CFRunLoopRef loop, CFRunLoopMode mode);

private:
    CFRunLoopSourceRef source_;
    CFMachPortRef port_;
    std::shared_ptr<const void> callout_;
    std::mutex mutex_;
    std::vector<std::pair<CFRunLoopRef, CFRunLoopMode>> loops_;
    // Every loop the source was added to, retained, for letting go of `callout_`.
    std::vector<CFRunLoopRef> visited_;
};

class MacRunLoop final : public RunLoop {
public:
    explicit MacRunLoop(CFRunLoopRef loop);
    MacRunLoop(const MacRunLoop&) = delete;
    MacRunLoop& operator=(const MacRunLoop&) = delete;
    ~MacRunLoop() override;

    void perform(std::function<void()> block) override;
    void wakeUp() override;
    void addSource(RunLoopSource& source, RunLoopMode mode) override;
    void removeSource(RunLoopSource& source, RunLoopMode mode) override;
    RunResult run() override;
    void stop() override;
    bool runOnce(std::chrono::nanoseconds wait) override;

private:
    void ranBlock();

    CFRunLoopRef loop_;
    // Never signalled; attached only during runOnce so that a loop without sources still
    // waits instead of returning at once.
    CFRunLoopSourceRef idle_;
    std::atomic<bool> stopRequested_{false};
    std::atomic<std::uint64_t> blocksRun_{0};
    // Loop thread only: a pass of runOnce is under way.
    bool inPass_ = false;
};

class MacRunLoops final : public RunLoops {
public:
    RunLoop& current() override;
    std::unique_ptr<RunLoopSource> makePort() override;

private:
    std::mutex mutex_;
    // Loops live as long as the process, like the blocks and sources left on them.
    std::map<CFRunLoopRef, std::unique_ptr<MacRunLoop>> loops_;
};

} // namespace platform::mac
