#pragma once

#include "CorvaleCore/Json.hpp"

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How each run of the application ended, so the next run can tell a clean quit from a crash or
// a hang. At launch it reads what the previous run left and starts a new record marked unclean;
// an orderly quit marks it clean; while the main thread hangs the hang watch writes the hang
// into it, so a run killed while hanging says so. Finished hangs go into a short list of recent
// hangs.
//
// Both values live in the standard user defaults as compact JSON, dates as seconds since
// 2001-01-01 00:00:00 UTC. Every write happens under one process-wide lock; safe from any thread.
namespace corvale::LastRun {

using Date = std::chrono::system_clock::time_point;

struct Hang {
    // When the main thread last answered before the hang.
    Date since;
    // The hang's length once it has ended; none while it lasts.
    std::optional<double> seconds;
    // The main thread's stack lines at detection, program counter first.
    std::vector<std::string> stack;

    bool operator==(const Hang&) const = default;
};

struct Record {
    std::string version;
    Date started;
    // True once the run has ended in an orderly way.
    bool clean = false;
    // The hang in progress, while the main thread hangs.
    std::optional<Hang> hang;

    bool operator==(const Record&) const = default;
};

inline constexpr std::string_view recordKey = "lastRun";
inline constexpr std::string_view recentHangsKey = "recentHangs";
inline constexpr std::size_t maxRecentHangs = 5;

// Once, when launching has finished and before the hang watch starts: reads the previous run's
// record into `previous()` and stores a new one for this run (this version, now, unclean).
void begin();

// When the application is about to terminate: marks this run's record clean.
void end();

// The previous run began but did not end cleanly. A first run, or an unreadable record, does
// not count.
bool endedBadly();

// The record the previous run left; none on a first run or when it does not decode.
std::optional<Record> previous();

// This run's record as it stands; none before `begin()`.
std::optional<Record> current();

// From the hang watch: the main thread has not answered since `since`; `stack` is where it is.
void hangBegan(Date since, std::vector<std::string> stack);

// From the hang watch: the hang in progress ended after `seconds`; it moves to the front of
// the recent hangs.
void hangEnded(double seconds);

// The stored recent hangs, newest first, each with its length; empty when nothing is stored or
// the stored list does not decode.
std::vector<Hang> recentHangs();

// Forgets `previous()` and this run's record, as a new process would (tests).
void reset();

// Dates in the stored form: seconds since 2001-01-01 00:00:00 UTC.
double referenceSeconds(Date date);
// None for a value too far from the reference to be a date of this clock.
std::optional<Date> fromReferenceSeconds(double seconds);

} // namespace corvale::LastRun

namespace corvale::json {

template <>
struct Coding<LastRun::Hang> {
    // Throws DecodingError when a double is not finite, as JSON cannot hold it.
    static Json encode(const LastRun::Hang& hang);
    static LastRun::Hang decode(const Json& value, const CodingPath& path);
};

template <>
struct Coding<LastRun::Record> {
    static Json encode(const LastRun::Record& record);
    static LastRun::Record decode(const Json& value, const CodingPath& path);
};

} // namespace corvale::json
