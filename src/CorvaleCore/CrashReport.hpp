#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The system's crash and hang reports of this application, read only: finds the newest one
// written since a moment and turns it into a short plain-text summary (application and version,
// system, exception, the application's own notes, the crashed thread's frames) with the user's
// home folder shown as "~".
//
// A report file (extension "ips") is UTF-8 text: a JSON object on the first line (the header),
// and a second JSON object in the rest (the body). Values of the wrong JSON type count as
// absent. Nothing here throws, logs or keeps state; both operations read files and may take a
// while on a full folder, so callers run them off the main thread.
namespace corvale::CrashReport {

struct Summary {
    // The report file.
    std::filesystem::path url;
    // The file's content-modification date.
    std::chrono::system_clock::time_point date;
    std::string text;

    bool operator==(const Summary&) const = default;
};

// Frames shown of the crashed thread; image names are cut to this many characters.
inline constexpr std::size_t maxFrames = 40;
inline constexpr std::size_t imageColumn = 24;

// The newest readable report of this application in the diagnostic reports folder modified no
// earlier than one second before `since`; none when there is none. Reports are opened newest
// first and the search stops at the first that gives a summary.
std::optional<Summary> latest(std::chrono::system_clock::time_point since);

// The summary of one report file; none when it cannot be read or is not a report of this
// application (`AppIdentity::current()`).
std::optional<std::string> summary(const std::filesystem::path& url);

// The same, from the file's contents.
std::optional<std::string> summarize(std::string_view contents);

} // namespace corvale::CrashReport
