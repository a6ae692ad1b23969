#include "Skiro/Tap/Tally.hpp"

#include <algorithm>
#include <cstring>
#include <thread>

namespace skiro::tap {

namespace {

// The fewest ticks that convert (rounding down) to `nanoseconds` or more.
std::uint64_t ticksReaching(std::uint64_t nanoseconds, platform::Timebase timebase) {
    std::uint64_t ticks = timebase.ticks(nanoseconds);
    while (timebase.nanoseconds(ticks) < nanoseconds && ticks < UINT64_MAX) {
        ++ticks;
    }
    while (ticks > 0 && timebase.nanoseconds(ticks - 1) >= nanoseconds) {
        --ticks;
    }
    return ticks;
}

std::int64_t signedCount(std::uint64_t n) {
    return static_cast<std::int64_t>(n);
}

} // namespace

Tally::Tally(platform::Timebase timebase) : timebase_(timebase) {
    for (std::size_t i = 0; i < tickBounds_.size(); ++i) {
        tickBounds_[i] = ticksReaching(Cost::bounds[i] * 1000, timebase_);
    }
}

void Tally::scrolled(const Scroll& scroll, std::uint64_t ticks) noexcept {
    if (scroll.failed != nullptr) {
        rewriteFailed(scroll.failed->view());
    }
    const bool trackpad = scroll.device == Device::trackpad;
    beginWrite();
    scrolls_.add();
    (trackpad ? trackpad_ : mouse_).add();
    if (scroll.posted) {
        posted_.add();
    }
    if (scroll.turned) {
        turned_.add();
        (trackpad ? trackpadTurned_ : mouseTurned_).add();
    }
    if (scroll.timed) {
        add(full_, ticks);
    }
    endWrite();
}

void Tally::started(bool fromHID, std::uint64_t ticks) noexcept {
    beginWrite();
    add(starts_, ticks);
    (fromHID ? startsFromHID_ : startsFromAppKit_).add();
    endWrite();
}

void Tally::rewriteFailed(std::span<const char> text) noexcept {
    rest_.with([&](Rest& rest) {
        rest.stats.readBackFailures += 1;
        const std::size_t length = std::min(text.size(), rest.failure.size());
        std::memcpy(rest.failure.data(), text.data(), length);
        rest.failureLength = length;
        rest.hasFailure = true;
    });
}

Cost Tally::read(const TickCost& cost) const {
    Cost read;
    read.count = signedCount(cost.count.get());
    read.total = timebase_.nanoseconds(cost.total.get());
    read.most = timebase_.nanoseconds(cost.most.get());
    for (std::size_t i = 0; i < read.spread.size(); ++i) {
        read.spread[i] = signedCount(cost.spread[i].get());
    }
    return read;
}

void Tally::addPath(Stats& stats) const {
    struct Path {
        std::uint64_t scrolls, passed, turned, trackpad, mouse, trackpadTurned, mouseTurned, posted,
            startsFromHID, startsFromAppKit;
        Cost fast, full, starts;
    } path;
    for (;;) {
        const std::uint64_t before = sequence_.load(std::memory_order_acquire);
        if ((before & 1) == 0) {
            path = Path{
                scrolls_.get(),       passed_.get(),           turned_.get(),      trackpad_.get(),
                mouse_.get(),         trackpadTurned_.get(),   mouseTurned_.get(), posted_.get(),
                startsFromHID_.get(), startsFromAppKit_.get(), read(fast_),        read(full_),
                read(starts_)};
            // The counters' acquiring reads keep this one after them.
            if (sequence_.load(std::memory_order_relaxed) == before) {
                break;
            }
        }
        // A scroll is being counted: it takes nanoseconds.
        std::this_thread::yield();
    }
    stats.scrolls += signedCount(path.scrolls);
    stats.passed += signedCount(path.passed);
    stats.turned += signedCount(path.turned);
    stats.trackpad += signedCount(path.trackpad);
    stats.mouse += signedCount(path.mouse);
    stats.trackpadTurned += signedCount(path.trackpadTurned);
    stats.mouseTurned += signedCount(path.mouseTurned);
    stats.posted += signedCount(path.posted);
    stats.startsFromHID += signedCount(path.startsFromHID);
    stats.startsFromAppKit += signedCount(path.startsFromAppKit);
    stats.fast.merge(path.fast);
    stats.full.merge(path.full);
    stats.starts.merge(path.starts);
}

Stats Tally::copy() const {
    // The copy under the lock allocates nothing (the kept Stats has no text); the text is made
    // after.
    Rest rest = rest_.copy();
    if (rest.hasFailure) {
        rest.stats.lastReadBackFailure.emplace(rest.failure.data(), rest.failureLength);
    }
    addPath(rest.stats);
    return rest.stats;
}

} // namespace skiro::tap
