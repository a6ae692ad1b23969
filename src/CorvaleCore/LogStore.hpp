#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvale {

enum class LogLevel { debug, notice, error };

// "debug", "default", "error".
std::string_view toString(LogLevel level);

struct LogEntry {
    std::chrono::system_clock::time_point date;
    std::string subsystem;
    std::string category;
    LogLevel level = LogLevel::notice;
    std::string message;

    bool operator==(const LogEntry&) const = default;
};

// The process's log: a bounded, time-ordered ring of entries that the recent log reads back.
// Safe to write and read from any thread. Notice and error entries are always kept; debug
// entries only while the debug switch is on, which it is not unless a developer turns it on
// (`setDebugEnabled`, or CORVALE_LOG_DEBUG=1 in the environment of the process).
//
// Bounds: at most `Limits::entries` entries and `Limits::bytes` bytes of text; the oldest
// entries go first. A message longer than `Limits::messageBytes` is cut there and marked.
class LogStore {
public:
    struct Limits {
        std::size_t entries = 10'000;
        std::size_t bytes = 4 * 1024 * 1024;
        std::size_t messageBytes = 64 * 1024;
    };
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    LogStore();
    explicit LogStore(Limits limits);

    LogStore(const LogStore&) = delete;
    LogStore& operator=(const LogStore&) = delete;

    // The one store every `Log` writes to.
    static LogStore& shared();

    // Whether entries of this level are kept: one atomic load, so callers can ask before they
    // build a message.
    bool isEnabled(LogLevel level) const {
        return level != LogLevel::debug || debug_.load(std::memory_order_relaxed);
    }
    void setDebugEnabled(bool enabled) { debug_.store(enabled, std::memory_order_relaxed); }

    // Dates the entry by the store's clock and keeps it, unless its level is not kept.
    void write(std::string_view subsystem, std::string_view category, LogLevel level,
               std::string message);

    // The kept entries of `subsystem` dated `since` or later, oldest first.
    std::vector<LogEntry> entries(std::chrono::system_clock::time_point since,
                                  std::string_view subsystem) const;

    std::size_t count() const;
    std::size_t bytes() const;
    const Limits& limits() const { return limits_; }

    // The clock that dates entries; the system clock unless a test sets another.
    std::chrono::system_clock::time_point now() const;
    void setClock(Clock clock);

    // Empties the store, turns debug off and puts the system clock back (tests).
    void reset();

private:
    static std::size_t weight(const LogEntry& entry);

    Limits limits_;
    std::atomic<bool> debug_{false};
    mutable std::mutex mutex_;
    std::deque<LogEntry> entries_;
    std::size_t bytes_ = 0;
    Clock clock_;
};

} // namespace corvale
