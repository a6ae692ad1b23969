#include "Corvale/RecentLog.hpp"

#include "CorvaleCore/Files.hpp"
#include "CorvaleCore/Log.hpp"

#include "Support/Framework.hpp"
#include "Support/TemporaryHome.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>

namespace corvale {
namespace {

using namespace std::chrono;
using namespace std::chrono_literals;

namespace testlogs {
CORVALE_LOG_CATEGORY(tap, "tap")
}

// 2026-03-02 09:05:03.250 UTC.
const system_clock::time_point morning = sys_days(year(2026) / March / 2) + 9h + 5min + 3s + 250ms;

class RecentLogTest : public ::testing::Test {
protected:
    RecentLogTest() { home.environment().set("TZ", "UTC"); }

    test::TemporaryHome home;
    test::ScopedIdentity identity{{"Tool", "org.example.tool", "owner/Tool"}};
    test::ManualClock clock{morning};
    test::ScopedLog log{clock};
};

TEST_F(RecentLogTest, NothingLoggedSaysSoAndHowToRecordMoreAndEachEntryIsOneLine) {
    EXPECT_EQ(RecentLog::text(10), "Nothing logged in the last 10 minutes. Turn on Detailed "
                                   "logging in Settings › About to record more.");
    // Ordinary messages with detailed logging off are not kept, so still nothing.
    Log::lifecycle()("opened");
    EXPECT_EQ(RecentLog::text(2.9), "Nothing logged in the last 2 minutes. Turn on Detailed "
                                    "logging in Settings › About to record more.");
    Log::setDetailed(true);
    EXPECT_EQ(RecentLog::text(10), "Nothing logged in the last 10 minutes.");

    // Each entry is one line with its time and category.
    testlogs::tap().error("the tap was switched off by the system");
    clock.advance(1500ms);
    Log::lifecycle()([] { return "settings imported from a file"; });
    EXPECT_EQ(RecentLog::text(10), "09:05:03.250 [tap] the tap was switched off by the system\n"
                                   "09:05:04.750 [lifecycle] settings imported from a file");
    // Times are in the user's time zone.
    home.environment().set("TZ", "EET-2");
    EXPECT_TRUE(RecentLog::text(10).starts_with("11:05:03.250 [tap]"));
}

TEST_F(RecentLogTest, OnlyEntriesOfTheSubsystemWithinTheWindowAppear) {
    testlogs::tap().error("eleven minutes ago");
    clock.advance(2min);
    testlogs::tap().error("nine minutes ago");
    LogStore::shared().write("org.example.other", "tap", LogLevel::error, "another subsystem");
    clock.advance(9min);
    testlogs::tap().error("now");
    EXPECT_EQ(RecentLog::text(10), "09:07:03.250 [tap] nine minutes ago\n"
                                   "09:16:03.250 [tap] now");
    EXPECT_EQ(RecentLog::text(0.5), "09:16:03.250 [tap] now");
    // Minutes that are not sensible do not break it.
    EXPECT_TRUE(RecentLog::text(std::numeric_limits<double>::infinity()).ends_with(" now"));
    EXPECT_TRUE(RecentLog::text(std::nan("")).ends_with(" now"));
}

TEST_F(RecentLogTest, WriteReplacesTheLogFileInTheCachesFolder) {
    std::filesystem::path expected = home.cache() / "Tool" / "tool.log";
    EXPECT_EQ(RecentLog::location(), expected);

    testlogs::tap().error("first");
    EXPECT_EQ(RecentLog::write(10), expected);
    EXPECT_EQ(readFile(expected), "09:05:03.250 [tap] first");

    LogStore::shared().reset();
    EXPECT_EQ(RecentLog::write(10), expected);
    EXPECT_EQ(readFile(expected), "Nothing logged in the last 10 minutes. Turn on Detailed "
                                  "logging in Settings › About to record more.");

    // A file where the folder should be: nothing to answer.
    std::filesystem::remove_all(home.cache() / "Tool");
    std::ofstream(home.cache() / "Tool") << "a file where the folder should be";
    EXPECT_EQ(RecentLog::write(10), std::nullopt);
}

} // namespace
} // namespace corvale
