#include "CorvaleCore/LogStore.hpp"

#include "CorvaleCore/Utf8.hpp"

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace corvale {

namespace {

constexpr std::string_view cutMark = " …(cut)";

} // namespace

std::string_view toString(LogLevel level) {
    switch (level) {
    case LogLevel::debug:
        return "debug";
    case LogLevel::notice:
        return "default";
    case LogLevel::error:
        return "error";
    }
    return "default";
}

LogStore::LogStore() : LogStore(Limits{}) {}

LogStore::LogStore(Limits limits) : limits_(limits) {}

LogStore& LogStore::shared() {
    // Never destroyed: any thread may still log while the process exits.
    static LogStore* store = [] {
        auto* made = new LogStore();
        const char* debug = std::getenv("CORVALE_LOG_DEBUG");
        made->setDebugEnabled(debug != nullptr && std::string_view(debug) == "1");
        return made;
    }();
    return *store;
}

std::size_t LogStore::weight(const LogEntry& entry) {
    return sizeof(LogEntry) + entry.subsystem.size() + entry.category.size() + entry.message.size();
}

void LogStore::write(std::string_view subsystem, std::string_view category, LogLevel level,
                     std::string message) {
    if (!isEnabled(level)) {
        return;
    }
    if (message.size() > limits_.messageBytes) {
        // Cut on a character boundary so the text stays valid UTF-8.
        message.resize(utf8::cutLength(message, limits_.messageBytes));
        message += cutMark;
    }
    LogEntry entry{{}, std::string(subsystem), std::string(category), level, std::move(message)};
    std::size_t size = weight(entry);

    std::lock_guard lock(mutex_);
    // Dated under the lock, so the ring is in date order as long as the clock does not go back.
    entry.date = clock_ ? clock_() : std::chrono::system_clock::now();
    entries_.push_back(std::move(entry));
    bytes_ += size;
    while (!entries_.empty() &&
           (entries_.size() > limits_.entries || (bytes_ > limits_.bytes && entries_.size() > 1))) {
        bytes_ -= weight(entries_.front());
        entries_.pop_front();
    }
}

std::vector<LogEntry> LogStore::entries(std::chrono::system_clock::time_point since,
                                        std::string_view subsystem) const {
    std::vector<LogEntry> found;
    {
        std::lock_guard lock(mutex_);
        for (const LogEntry& entry : entries_) {
            if (entry.date >= since && entry.subsystem == subsystem) {
                found.push_back(entry);
            }
        }
    }
    // A clock set back leaves entries out of order; readers still get them oldest first.
    std::stable_sort(found.begin(), found.end(),
                     [](const LogEntry& a, const LogEntry& b) { return a.date < b.date; });
    return found;
}

std::size_t LogStore::count() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
}

std::size_t LogStore::bytes() const {
    std::lock_guard lock(mutex_);
    return bytes_;
}

std::chrono::system_clock::time_point LogStore::now() const {
    std::lock_guard lock(mutex_);
    return clock_ ? clock_() : std::chrono::system_clock::now();
}

void LogStore::setClock(Clock clock) {
    std::lock_guard lock(mutex_);
    clock_ = std::move(clock);
}

void LogStore::reset() {
    std::lock_guard lock(mutex_);
    entries_.clear();
    bytes_ = 0;
    clock_ = nullptr;
    debug_.store(false, std::memory_order_relaxed);
}

} // namespace corvale
