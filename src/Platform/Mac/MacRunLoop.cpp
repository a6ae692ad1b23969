#include "Platform/Mac/MacRunLoop.hpp"

#include <algorithm>

namespace platform::mac {

namespace {

CFRunLoopMode cfMode(RunLoopMode mode) {
    return mode == RunLoopMode::commonModes ? kCFRunLoopCommonModes : kCFRunLoopDefaultMode;
}

void ignore(void*) {}

void ignorePortMessage(CFMachPortRef, void*, CFIndex, void*) {}

// No wake-up of its own: a run returns when stopped or finished.
constexpr CFTimeInterval distantFuture = 1.0e10;

} // namespace

// --- Sources

MacRunLoopSource::MacRunLoopSource(CFRunLoopSourceRef source, CFMachPortRef port,
                                   std::shared_ptr<const void> callout) noexcept
    : source_(source), port_(port), callout_(std::move(callout)) {}

MacRunLoopSource::~MacRunLoopSource() {
    std::vector<std::pair<CFRunLoopRef, CFRunLoopMode>> loops;
    std::vector<CFRunLoopRef> visited;
    {
        std::lock_guard lock(mutex_);
        loops.swap(loops_);
        visited.swap(visited_);
    }
    for (auto& [loop, mode] : loops) {
        CFRunLoopRemoveSource(loop, source_, mode);
        CFRelease(loop);
    }
    // The loop's thread may still be inside the callout: a block queued now runs after it.
    for (CFRunLoopRef loop : visited) {
        if (callout_) {
            const std::shared_ptr<const void> callout = callout_;
            CFRunLoopPerformBlock(loop, kCFRunLoopCommonModes, ^{
              (void)callout;
            });
            CFRunLoopWakeUp(loop);
        }
        CFRelease(loop);
    }
    if (port_ != nullptr) {
        CFMachPortInvalidate(port_);
        CFRelease(port_);
    }
    if (source_ != nullptr) {
        CFRelease(source_);
    }
}

void MacRunLoopSource::added(CFRunLoopRef loop, CFRunLoopMode mode) {
    std::lock_guard lock(mutex_);
    CFRetain(loop);
    loops_.emplace_back(loop, mode);
    if (std::find(visited_.begin(), visited_.end(), loop) == visited_.end()) {
        CFRetain(loop);
        visited_.push_back(loop);
    }
}

void MacRunLoopSource::removed(CFRunLoopRef loop, CFRunLoopMode mode) {
    std::lock_guard lock(mutex_);
    auto found = std::find_if(loops_.begin(), loops_.end(), [&](const auto& entry) {
        return entry.first == loop && CFEqual(entry.second, mode);
    });
    if (found != loops_.end()) {
        CFRelease(found->first);
        loops_.erase(found);
    }
}

// --- Loops

MacRunLoop::MacRunLoop(CFRunLoopRef loop) : loop_(loop) {
    CFRetain(loop_);
    CFRunLoopSourceContext context{};
    context.perform = ignore;
    idle_ = CFRunLoopSourceCreate(kCFAllocatorDefault, 0, &context);
}

MacRunLoop::~MacRunLoop() {
    if (idle_ != nullptr) {
        CFRunLoopSourceInvalidate(idle_);
        CFRelease(idle_);
    }
    CFRelease(loop_);
}

void MacRunLoop::perform(std::function<void()> block) {
    MacRunLoop* self = this;
    const std::function<void()> work = std::move(block);
    // The block is copied by the loop and runs on its thread, in any common mode.
    CFRunLoopPerformBlock(loop_, kCFRunLoopCommonModes, ^{
      work();
      self->ranBlock();
    });
}

void MacRunLoop::ranBlock() {
    blocksRun_.fetch_add(1, std::memory_order_relaxed);
    // A pass ends once something ran, as a handled source ends it.
    if (inPass_) {
        CFRunLoopStop(loop_);
    }
}

void MacRunLoop::wakeUp() {
    CFRunLoopWakeUp(loop_);
}

void MacRunLoop::addSource(RunLoopSource& source, RunLoopMode mode) {
    auto& mac = static_cast<MacRunLoopSource&>(source);
    if (mac.source() == nullptr) {
        return;
    }
    CFRunLoopAddSource(loop_, mac.source(), cfMode(mode));
    mac.added(loop_, cfMode(mode));
}

void MacRunLoop::removeSource(RunLoopSource& source, RunLoopMode mode) {
    auto& mac = static_cast<MacRunLoopSource&>(source);
    if (mac.source() == nullptr) {
        return;
    }
    CFRunLoopRemoveSource(loop_, mac.source(), cfMode(mode));
    mac.removed(loop_, cfMode(mode));
}

RunLoop::RunResult MacRunLoop::run() {
    if (stopRequested_.exchange(false)) {
        return RunResult::stopped;
    }
    for (;;) {
        switch (CFRunLoopRunInMode(kCFRunLoopDefaultMode, distantFuture, false)) {
        case kCFRunLoopRunFinished:
            return RunResult::finished;
        case kCFRunLoopRunStopped:
            // A stop block left over from a stop the check above already took goes unheeded.
            if (stopRequested_.exchange(false)) {
                return RunResult::stopped;
            }
            break;
        case kCFRunLoopRunTimedOut:
        case kCFRunLoopRunHandledSource:
            break;
        }
    }
}

void MacRunLoop::stop() {
    // The system forgets a CFRunLoopStop made while the loop is not running (each run starts
    // unstopped), so the stop is a block on the loop: it ends the run under way, or the next.
    stopRequested_.store(true);
    CFRunLoopRef loop = loop_;
    CFRunLoopPerformBlock(loop_, kCFRunLoopCommonModes, ^{
      CFRunLoopStop(loop);
    });
    CFRunLoopWakeUp(loop_);
}

bool MacRunLoop::runOnce(std::chrono::nanoseconds wait) {
    const std::uint64_t before = blocksRun_.load(std::memory_order_relaxed);
    CFRunLoopAddSource(loop_, idle_, kCFRunLoopDefaultMode);
    inPass_ = true;
    const CFTimeInterval seconds = std::chrono::duration<double>(wait).count();
    const CFRunLoopRunResult result =
        CFRunLoopRunInMode(kCFRunLoopDefaultMode, std::max(seconds, 0.0), true);
    inPass_ = false;
    CFRunLoopRemoveSource(loop_, idle_, kCFRunLoopDefaultMode);
    return result == kCFRunLoopRunHandledSource ||
           blocksRun_.load(std::memory_order_relaxed) != before;
}

// --- The loops of threads

RunLoop& MacRunLoops::current() {
    CFRunLoopRef loop = CFRunLoopGetCurrent();
    std::lock_guard lock(mutex_);
    std::unique_ptr<MacRunLoop>& entry = loops_[loop];
    if (!entry) {
        entry = std::make_unique<MacRunLoop>(loop);
    }
    return *entry;
}

std::unique_ptr<RunLoopSource> MacRunLoops::makePort() {
    CFMachPortContext context{};
    Boolean shouldFree = false;
    CFMachPortRef port =
        CFMachPortCreate(kCFAllocatorDefault, ignorePortMessage, &context, &shouldFree);
    if (port == nullptr) {
        return std::make_unique<MacRunLoopSource>(nullptr, nullptr);
    }
    CFRunLoopSourceRef source = CFMachPortCreateRunLoopSource(kCFAllocatorDefault, port, 0);
    return std::make_unique<MacRunLoopSource>(source, port);
}

} // namespace platform::mac
