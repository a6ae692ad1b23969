#pragma once

#include <chrono>
#include <cstdint>
#include <string>

// Dates, numbers and lengths of time as the user reads them: in the user's time zone and with
// the month names, time style and digit grouping of the user's locale (the environment's LC_ALL,
// LC_TIME, LC_NUMERIC or LANG, read at each call).
namespace corvale::Formats {

// An abbreviated date with the locale's time of day, such as "Mar 2, 2026 at 9:05:03 AM", or
// "Mar 2, 2026 at 09:05:03" in the C locale. Locales that write the day first give
// "2 Mar 2026, 09:05:03", and those that write the year first "2026 Mar 2, 09:05:03".
std::string dateTime(std::chrono::system_clock::time_point date);

// How a locale groups the digits of a whole number.
struct NumberStyle {
    // Between groups, such as ","; empty for no grouping.
    std::string separator;
    // The sizes of the groups from the right, as the C library gives them: each byte a size,
    // the last one repeating; a byte of CHAR_MAX (or none at all) ends the grouping.
    std::string grouping;

    // The user's numeric locale: in the C locale, no grouping.
    static NumberStyle user();

    bool operator==(const NumberStyle&) const = default;
};

// A whole number in decimal with the user's grouping, so 1234 may read "1,234".
std::string decimal(std::int64_t value);
std::string decimal(std::int64_t value, const NumberStyle& style);

// A length of time in full units, at most two of days, hours, minutes and seconds, starting with
// the largest that is not zero: "2 hours, 5 minutes", "1 day", "45 seconds", "0 seconds". Whole
// units only (what is left over is dropped); a negative length counts as none; empty when the
// number is not finite.
std::string duration(double seconds);

} // namespace corvale::Formats
