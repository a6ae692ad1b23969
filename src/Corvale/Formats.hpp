#pragma once

#include <chrono>
#include <string>

// Dates as the user reads them: in the user's time zone and with the month names and time style
// of the user's locale (the environment's LC_ALL, LC_TIME or LANG, read at each call).
namespace corvale::Formats {

// An abbreviated date with the locale's time of day, such as "Mar 2, 2026 at 9:05:03 AM", or
// "Mar 2, 2026 at 09:05:03" in the C locale. Locales that write the day first give
// "2 Mar 2026, 09:05:03", and those that write the year first "2026 Mar 2, 09:05:03".
std::string dateTime(std::chrono::system_clock::time_point date);

} // namespace corvale::Formats
