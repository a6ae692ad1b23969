#include "Platform/Mac/MacRunLoop.hpp"

#include <algorithm>

namespace platform::mac {

namespace {

CFRunLoopMode cfMode(RunLoopMode mode) {
    return mode == RunLoopMode::commonModes ? kCFRunLoopCommonModes : kCFRunLoopDefaultMode;
}

void ignore(void*) {}

void ignorePortMessage(CFMachPortRef, void*, CFIndex, void*) {}

// Long enough that a run only returns when stopped or finished; a stop that came just before
// the run started is still seen within this time.
constexpr CFTimeInterval runSlice = 1.0;

} // namespace

// --- Sources

MacRunLoopSource::MacRunLoopSource(CFRunLoopSourceRef source, CFMachPortRef port) noexcept
    : source_(source), port_(port) {}

MacRunLoopSource::~MacRunLoopSource() {
    std::vector<std::pair<CFRunLoopRef, CFRunLoopMode>> loops;
    {
        std::lock_guard lock(mutex_);
        loops.swap(loops_);
    }
    for (auto& [loop, mode] : loops) {
        CFRunLoopRemoveSource(loop, source_, mode);
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
    for (;;) {
        if (stopRequested_.exchange(false)) {
            return RunResult::stopped;
        }
        switch (CFRunLoopRunInMode(kCFRunLoopDefaultMode, runSlice, false)) {
        case kCFRunLoopRunFinished:
            return RunResult::finished;
        case kCFRunLoopRunStopped:
            stopRequested_.store(false);
            return RunResult::stopped;
        case kCFRunLoopRunTimedOut:
        case kCFRunLoopRunHandledSource:
            break;
        }
    }
}

void MacRunLoop::stop() {
    // The flag covers a stop that comes while no run is under way.
    stopRequested_.store(true);
    CFRunLoopStop(loop_);
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
