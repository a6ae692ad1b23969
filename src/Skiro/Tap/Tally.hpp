#pragma once

#include "CorvaleCore/Locked.hpp"
#include "Platform/Clock.hpp"
#include "Skiro/Tap/ScrollFields.hpp"
#include "Skiro/Tap/Stats.hpp"
#include "SkiroCore/Scrolling.hpp"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>

namespace skiro::tap {

// The tap's tally as it is kept. The per-scroll counters have one writer, the tap thread,
// which counts a scroll without a lock or a locked add; readers copy them whole through a
// sequence count, trying again while a scroll is being counted. Their timings are kept in
// clock ticks and turned into nanoseconds only when read. What changes rarely (the system
// switching the tap off, the read-back check, lookups, the read-back failure text) sits behind
// a small lock. A copy is the sum of the two parts.
class Tally {
public:
    explicit Tally(platform::Timebase timebase);
    Tally(const Tally&) = delete;
    Tally& operator=(const Tally&) = delete;

    // --- Tap thread only, one call per scroll (or per decision).

    // A scroll that took the fast path, in `ticks`.
    void passed(std::uint64_t ticks) noexcept {
        beginWrite();
        scrolls_.add();
        passed_.add();
        add(fast_, ticks);
        endWrite();
    }
    // A scroll that took the full path; `ticks` is counted only when `timed` (a recording
    // inflates the full path: not timed while one runs). `failed`: its rewrite did not read back.
    struct Scroll {
        Device device = Device::mouse;
        bool posted = false;
        bool turned = false;
        bool timed = true;
        const RewriteFailure* failed = nullptr;
    };
    void scrolled(const Scroll& scroll, std::uint64_t ticks) noexcept;
    // A reading of the system's direction for a decision.
    void started(bool fromHID, std::uint64_t ticks) noexcept;
    // A rewrite that did not read back as written, and what it says.
    void rewriteFailed(std::span<const char> text) noexcept;

    // --- Any thread: a few rare additions or settings, under the lock. What it sets of the
    // per-scroll counters adds to theirs.
    template <class Change>
    void update(Change&& change) {
        rest_.with([&](Rest& rest) { change(rest.stats); });
    }

    // A consistent copy of the whole tally.
    Stats copy() const;

private:
    // One writer: a plain load and store, never a locked add. Stores release and reads acquire,
    // which orders them against the sequence count without fences (plain moves on x86; and the
    // thread sanitizer, which does not model fences, sees the order).
    class Counter {
    public:
        void add(std::uint64_t n = 1) noexcept {
            value_.store(value_.load(std::memory_order_relaxed) + n, std::memory_order_release);
        }
        void raise(std::uint64_t to) noexcept {
            if (to > value_.load(std::memory_order_relaxed)) {
                value_.store(to, std::memory_order_release);
            }
        }
        std::uint64_t get() const noexcept { return value_.load(std::memory_order_acquire); }

    private:
        std::atomic<std::uint64_t> value_{0};
    };
    // A Cost in clock ticks, its bucket bounds too.
    struct TickCost {
        Counter count;
        Counter total;
        Counter most;
        std::array<Counter, 7> spread;
    };
    struct Rest {
        Stats stats;
        std::array<char, rewriteFailureCapacity> failure{};
        std::size_t failureLength = 0;
        bool hasFailure = false;
    };

    void add(TickCost& cost, std::uint64_t ticks) noexcept {
        cost.count.add();
        cost.total.add(ticks);
        cost.most.raise(ticks);
        std::size_t bucket = 0;
        while (bucket < tickBounds_.size() && ticks >= tickBounds_[bucket]) {
            ++bucket;
        }
        cost.spread[bucket].add();
    }
    Cost read(const TickCost& cost) const;
    // The per-scroll counters added into `stats`, read in one consistent piece.
    void addPath(Stats& stats) const;
    // Odd while a scroll is being counted.
    void beginWrite() noexcept {
        // A reader that sees any counter stored after this sees the odd count too.
        sequence_.store(sequence_.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    }
    void endWrite() noexcept {
        sequence_.store(sequence_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }

    const platform::Timebase timebase_;
    // Cost::bounds in ticks: a measurement is under bound i exactly when its ticks are.
    std::array<std::uint64_t, Cost::bounds.size()> tickBounds_{};

    std::atomic<std::uint64_t> sequence_{0};
    Counter scrolls_, passed_, turned_, trackpad_, mouse_, trackpadTurned_, mouseTurned_, posted_,
        startsFromHID_, startsFromAppKit_;
    TickCost fast_, full_, starts_;

    corvale::Locked<Rest> rest_;
};

} // namespace skiro::tap
