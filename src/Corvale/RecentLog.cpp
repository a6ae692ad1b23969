#include "Corvale/RecentLog.hpp"

#include "CorvaleCore/Text.hpp"

#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/Files.hpp"
#include "CorvaleCore/Folders.hpp"
#include "CorvaleCore/Log.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <exception>
#include <system_error>

namespace corvale::RecentLog {

namespace {

// About a century, so the window's start stays within what a date can hold.
constexpr double longestMinutes = 100.0 * 366 * 24 * 60;

double sane(double minutes) {
    if (std::isnan(minutes)) {
        return 0;
    }
    return std::clamp(minutes, -longestMinutes, longestMinutes);
}

std::string line(const LogEntry& entry) {
    using namespace std::chrono;
    auto sinceEpoch = entry.date.time_since_epoch();
    auto seconds = floor<std::chrono::seconds>(sinceEpoch);
    auto millis = duration_cast<milliseconds>(sinceEpoch - seconds).count();
    std::time_t time = static_cast<std::time_t>(seconds.count());
    std::tm local{};
    localtime_r(&time, &local);
    return fmt::format("{:02}:{:02}:{:02}.{:03} [{}] {}", local.tm_hour, local.tm_min, local.tm_sec,
                       millis, entry.category, entry.message);
}

} // namespace

std::string text(double minutes) {
    return text(minutes, LogStore::shared());
}

std::string text(double minutes, const LogStore& store) {
    minutes = sane(minutes);
    try {
        // The user's time zone as the environment says it now.
        tzset();
        auto window = std::chrono::duration_cast<std::chrono::system_clock::duration>(
            std::chrono::duration<double>(minutes * 60));
        std::vector<LogEntry> entries = store.entries(store.now() - window, Log::subsystem());
        if (entries.empty()) {
            std::string nothing = "Nothing logged in the last " +
                                  std::to_string(static_cast<long long>(std::trunc(minutes))) +
                                  " minutes.";
            if (!Log::detailed()) {
                nothing += " Turn on Detailed logging in Settings › About to record more.";
            }
            return nothing;
        }
        std::string lines;
        for (const LogEntry& entry : entries) {
            if (!lines.empty()) {
                lines += '\n';
            }
            lines += line(entry);
        }
        return lines;
    } catch (const std::exception& error) {
        return std::string("Couldn't read the log: ") + error.what();
    }
}

std::filesystem::path location() {
    std::string name = AppIdentity::current().name;
    return Folders::caches() / name / (asciiLowercased(name) + ".log");
}

std::optional<std::filesystem::path> write(double minutes) {
    std::filesystem::path path = location();
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
    try {
        writeAtomically(path, text(minutes));
        return path;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace corvale::RecentLog
