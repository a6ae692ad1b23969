#include "Corvale/Formats.hpp"

#include "Support/TemporaryHome.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace corvale {
namespace {

using namespace std::chrono;
using namespace std::chrono_literals;

// 2026-03-02 09:05:03.250 UTC.
const system_clock::time_point morning = sys_days(year(2026) / March / 2) + 9h + 5min + 3s + 250ms;

TEST(Formats, DatesReadInTheUsersZoneAndLocale) {
    test::ScopedEnvironment environment;
    environment.set("LC_ALL", "C");
    environment.set("TZ", "UTC");
    EXPECT_EQ(Formats::dateTime(morning), "Mar 2, 2026 at 09:05:03");
    // Two hours east of Greenwich, written the POSIX way.
    environment.set("TZ", "XST-2");
    EXPECT_EQ(Formats::dateTime(morning), "Mar 2, 2026 at 11:05:03");
    EXPECT_EQ(Formats::dateTime(morning - 12h), "Mar 1, 2026 at 23:05:03");
    // A locale that is not installed reads as the C locale.
    environment.set("LC_ALL", "xx_NOWHERE.UTF-8");
    EXPECT_EQ(Formats::dateTime(morning), "Mar 2, 2026 at 11:05:03");
    // Before 1970 the seconds still count down from the minute.
    environment.set("TZ", "UTC");
    EXPECT_EQ(Formats::dateTime(sys_days(year(1969) / December / 31) + 23h + 59min + 59s + 500ms),
              "Dec 31, 1969 at 23:59:59");
}

TEST(Formats, NumbersAreGroupedAsTheLocaleGroupsThem) {
    Formats::NumberStyle english{",", "\3\3"};
    EXPECT_EQ(Formats::decimal(999, english), "999");
    EXPECT_EQ(Formats::decimal(-1234567, english), "-1,234,567");
    EXPECT_EQ(Formats::decimal(std::numeric_limits<std::int64_t>::min(), english),
              "-9,223,372,036,854,775,808");
    // Groups of three, then of two; a separator of more than one byte.
    EXPECT_EQ(Formats::decimal(123456789, {"\u202f", "\3\2"}), "12\u202f34\u202f56\u202f789");
    // CHAR_MAX ends the grouping.
    EXPECT_EQ(Formats::decimal(123456789, {".", "\3\x7f"}), "123456.789");
    EXPECT_EQ(Formats::decimal(1234567, {}), "1234567");

    test::ScopedEnvironment environment;
    environment.set("LC_ALL", "C");
    EXPECT_EQ(Formats::NumberStyle::user(), Formats::NumberStyle{});
    EXPECT_EQ(Formats::decimal(1234567), "1234567");
}

TEST(Formats, LengthsOfTimeInAtMostTwoFullUnits) {
    EXPECT_EQ(Formats::duration(2 * 3600 + 5 * 60 + 59), "2 hours, 5 minutes");
    EXPECT_EQ(Formats::duration(86400 + 3600), "1 day, 1 hour");
    EXPECT_EQ(Formats::duration(3 * 86400 + 59), "3 days");
    EXPECT_EQ(Formats::duration(61.9), "1 minute, 1 second");
    EXPECT_EQ(Formats::duration(1), "1 second");
    EXPECT_EQ(Formats::duration(0.4), "0 seconds");
    EXPECT_EQ(Formats::duration(-5), "0 seconds");
    EXPECT_EQ(Formats::duration(std::nan("")), "");
    EXPECT_NE(Formats::duration(1e300).find(" days"), std::string::npos);
}

} // namespace
} // namespace corvale
