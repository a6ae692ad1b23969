#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace skiro {

// The short time of day: the locale's own time format (a strftime format, as the locale's
// T_FMT gives it) with the seconds left out and a 12-hour hour not padded, so "%H:%M:%S" gives
// "%H:%M" and "%I:%M:%S %p" gives "%-I:%M %p".
std::string shortTimeFormat(std::string_view timeFormat);

// `when` as the short time of day, in the environment's time zone and time locale (LC_ALL,
// LC_TIME, LANG); the C locale's when that one is not installed.
std::string shortTimeOfDay(std::chrono::system_clock::time_point when);

} // namespace skiro
