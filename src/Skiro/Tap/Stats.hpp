#pragma once

#include "CorvaleCore/Json.hpp"

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

// The tap's tally and its timings. Plain values; the tap keeps one Stats behind a small lock
// (InputTap::Stats and InputTap::Cost name these).
namespace skiro::tap {

// Timings of one kind of work: count, sum, largest and a fixed histogram. Adding a measurement
// allocates nothing and never throws.
struct Cost {
    // Upper bounds of the first six buckets, in microseconds; the seventh holds the rest.
    static constexpr std::array<std::uint64_t, 6> bounds{10, 25, 50, 100, 250, 1000};

    std::int64_t count = 0;
    std::uint64_t total = 0; // nanoseconds
    std::uint64_t most = 0;  // nanoseconds
    std::array<std::int64_t, 7> spread{};

    void add(std::uint64_t nanoseconds) noexcept;
    // Both costs' measurements as one.
    void merge(const Cost& other) noexcept;

    // "events", "averageMicroseconds", "mostMicroseconds", "spread".
    corvale::json::Json report() const;
    // "under 10 µs: 523, under 25 µs: 12, 1000 µs and over: 1", or "none yet".
    std::string spreadText() const;

    bool operator==(const Cost&) const = default;
};

// What the tap has done since it was made. Counters only ever rise, one at a time, except the
// read-back check's two, which it sets.
struct Stats {
    std::chrono::system_clock::time_point since = std::chrono::system_clock::now();
    std::int64_t scrolls = 0;
    std::int64_t passed = 0;
    std::int64_t turned = 0;
    std::int64_t trackpad = 0;
    std::int64_t mouse = 0;
    std::int64_t trackpadTurned = 0;
    std::int64_t mouseTurned = 0;
    std::int64_t posted = 0;
    std::int64_t unknownSenders = 0;
    std::int64_t readBackFailures = 0;
    std::optional<std::string> lastReadBackFailure;
    std::int64_t disabledByTimeout = 0;
    std::int64_t disabledByUserInput = 0;
    std::int64_t revived = 0;
    std::int64_t checkAsSent = 0;
    std::int64_t checkTurnedBack = 0;
    bool checking = false;
    std::int64_t restarts = 0;
    Cost fast;
    Cost full;
    Cost starts;
    std::int64_t startsFromHID = 0;
    std::int64_t startsFromAppKit = 0;

    bool operator==(const Stats&) const = default;
};

} // namespace skiro::tap
