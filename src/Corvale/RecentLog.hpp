#pragma once

#include "CorvaleCore/LogStore.hpp"

#include <filesystem>
#include <optional>
#include <string>

// The last minutes of the application's own log as text, one line per entry, for bug reports.
// No state; safe from any thread.
namespace corvale::RecentLog {

// The kept entries of the application's subsystem dated within the last `minutes`, each as
// "HH:mm:ss.SSS [category] message" in the user's time zone, oldest first, joined by newlines.
// When there are none, a sentence that says so (and how to record more while detailed logging
// is off). Never fails: a problem becomes the text. `minutes` that is not a number counts as
// 0, and it is held within about a century either way.
std::string text(double minutes);
std::string text(double minutes, const LogStore& store);

// Where `write` puts the text: "<name>/<name in lower case>.log" in the caches folder, where
// name is `AppIdentity::current().name`.
std::filesystem::path location();

// Writes `text(minutes)` to `location()`, atomically, replacing what was there, and answers
// the location; none when it could not be written.
std::optional<std::filesystem::path> write(double minutes);

} // namespace corvale::RecentLog
