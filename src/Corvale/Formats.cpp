#include "Corvale/Formats.hpp"

#include "CorvaleCore/UserLocale.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <ctime>
#include <string_view>

namespace corvale::Formats {

namespace {

enum class Order { monthFirst, dayFirst, yearFirst };

// Which field the locale's numeric date starts with.
Order orderOf(std::string_view dateFormat) {
    for (std::size_t at = dateFormat.find('%'); at != std::string_view::npos;
         at = dateFormat.find('%', at + 1)) {
        std::size_t field = at + 1;
        // Flags and the E and O modifiers come before the conversion.
        while (field < dateFormat.size() &&
               std::string_view("_-0^#EO").find(dateFormat[field]) != std::string_view::npos) {
            ++field;
        }
        if (field >= dateFormat.size()) {
            break;
        }
        switch (dateFormat[field]) {
        case 'd':
        case 'e':
            return Order::dayFirst;
        case 'Y':
        case 'y':
        case 'C':
        case 'F':
            return Order::yearFirst;
        case 'm':
        case 'b':
        case 'B':
        case 'h':
        case 'D':
            return Order::monthFirst;
        default:
            break;
        }
    }
    return Order::monthFirst;
}

} // namespace

std::string dateTime(std::chrono::system_clock::time_point date) {
    using namespace std::chrono;
    // The user's time zone as the environment says it now.
    tzset();
    std::time_t seconds =
        static_cast<std::time_t>(floor<std::chrono::seconds>(date.time_since_epoch()).count());
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr) {
        return "?";
    }
    UserLocale locale(LC_TIME_MASK);
    std::string month = locale.format("%b", local);
    std::string time = locale.format(locale.info(T_FMT, "%H:%M:%S").c_str(), local);
    int day = local.tm_mday;
    long year = 1900L + local.tm_year;
    switch (orderOf(locale.info(D_FMT, "%m/%d/%y"))) {
    case Order::dayFirst:
        return fmt::format("{} {} {}, {}", day, month, year, time);
    case Order::yearFirst:
        return fmt::format("{} {} {}, {}", year, month, day, time);
    case Order::monthFirst:
        break;
    }
    return fmt::format("{} {}, {} at {}", month, day, year, time);
}

NumberStyle NumberStyle::user() {
    UserLocale locale(LC_NUMERIC_MASK);
    return NumberStyle{locale.thousandsSeparator(), locale.grouping()};
}

std::string decimal(std::int64_t value) {
    return decimal(value, NumberStyle::user());
}

std::string decimal(std::int64_t value, const NumberStyle& style) {
    std::string digits = std::to_string(value);
    bool negative = !digits.empty() && digits.front() == '-';
    if (negative) {
        digits.erase(0, 1);
    }
    if (!style.separator.empty() && !style.grouping.empty()) {
        std::string grouped;
        std::size_t end = digits.size();
        std::size_t rule = 0;
        while (end > 0) {
            unsigned char size = static_cast<unsigned char>(style.grouping[rule]);
            if (size == 0 || size >= CHAR_MAX || size >= end) {
                grouped.insert(0, digits, 0, end);
                break;
            }
            grouped.insert(0, style.separator + digits.substr(end - size, size));
            end -= size;
            if (rule + 1 < style.grouping.size()) {
                ++rule;
            }
        }
        digits = std::move(grouped);
    }
    return negative ? "-" + digits : digits;
}

std::string duration(double seconds) {
    if (!std::isfinite(seconds)) {
        return {};
    }
    struct Unit {
        const char* name;
        std::int64_t seconds;
    };
    static constexpr std::array<Unit, 4> units{
        {{"day", 86400}, {"hour", 3600}, {"minute", 60}, {"second", 1}}};
    // Beyond what a 64-bit count of seconds holds, the count of days still reads.
    double whole = std::floor(std::clamp(seconds, 0.0, 9.0e18));
    auto left = static_cast<std::int64_t>(whole);
    auto written = [](std::int64_t count, const Unit& unit) {
        return fmt::format("{} {}{}", count, unit.name, count == 1 ? "" : "s");
    };
    for (std::size_t i = 0; i < units.size(); ++i) {
        std::int64_t count = left / units[i].seconds;
        if (count == 0 && i + 1 < units.size()) {
            continue;
        }
        std::string text = written(count, units[i]);
        if (i + 1 < units.size()) {
            std::int64_t next = (left % units[i].seconds) / units[i + 1].seconds;
            if (next != 0) {
                text += ", " + written(next, units[i + 1]);
            }
        }
        return text;
    }
    return {};
}

} // namespace corvale::Formats
