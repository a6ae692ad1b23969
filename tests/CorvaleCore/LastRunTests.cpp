#include "CorvaleCore/Defaults.hpp"
#include "CorvaleCore/Json.hpp"
#include "CorvaleCore/LastRun.hpp"

#include "Support/Framework.hpp"
#include "Support/TemporaryHome.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

namespace corvale {
namespace {

using namespace std::chrono;
using namespace std::chrono_literals;
using json::Json;

// 2026-03-02 09:05:03.250 UTC.
const system_clock::time_point morning = sys_days(year(2026) / March / 2) + 9h + 5min + 3s + 250ms;

class LastRunTest : public ::testing::Test {
protected:
    LastRunTest() { LastRun::reset(); }
    ~LastRunTest() override { LastRun::reset(); }

    // A new process of the same application: what it remembered in memory is gone, the user
    // defaults stay.
    static void relaunch() {
        LastRun::reset();
        LastRun::begin();
    }

    static Json stored(std::string_view key) {
        std::optional<std::string> data = Defaults::standard().data(key);
        return data ? json::parse(*data) : Json();
    }

    test::TemporaryHome home;
    test::ScopedIdentity identity{{"Tool", "org.example.tool", "owner/Tool"}};
    test::ScopedBundle bundle{Bundle(Json{{"CFBundleShortVersionString", "2.4.1"}})};
};

TEST_F(LastRunTest, AFirstLaunchHasNoPreviousRunAndLaterOnesTellACleanQuitFromAKilledRun) {
    system_clock::time_point before = system_clock::now();
    LastRun::begin();
    system_clock::time_point after = system_clock::now();

    EXPECT_EQ(LastRun::previous(), std::nullopt);
    EXPECT_FALSE(LastRun::endedBadly());
    Json record = stored("lastRun");
    ASSERT_TRUE(record.is_object()) << record;
    EXPECT_EQ(record.size(), 3u) << "no hang key while there is no hang: " << record;
    EXPECT_EQ(record["version"], "2.4.1");
    EXPECT_EQ(record["clean"], false);
    // Seconds since 2001-01-01 UTC, with the fraction.
    ASSERT_TRUE(record["started"].is_number());
    double started = record["started"].get<double>();
    EXPECT_GE(started, LastRun::referenceSeconds(before) - 1e-6);
    EXPECT_LE(started, LastRun::referenceSeconds(after) + 1e-6);

    // A clean quit then a killed run, as the next launch tells them: ApplicationTest
    // EndsCleanlyOnSIGTERMAndKeepsItsSettingsForTheNextRun, and the crash note's tests.
}

TEST_F(LastRunTest, ARunKilledWhileHangingLeavesTheHangForTheNextLaunch) {
    LastRun::begin();
    std::vector<std::string> stack = {"Tool  corvale::wait() + 12", "Tool  main + 40",
                                      "libc.so.6  0x2724a"};
    LastRun::hangBegan(morning, stack);

    Json hang = stored("lastRun")["hang"];
    ASSERT_TRUE(hang.is_object()) << stored("lastRun");
    EXPECT_FALSE(hang.contains("seconds")) << "no length while the hang lasts: " << hang;
    EXPECT_DOUBLE_EQ(hang["since"].get<double>(), 794135103.25);
    EXPECT_EQ(hang["stack"], Json(stack));

    relaunch();
    EXPECT_TRUE(LastRun::endedBadly());
    ASSERT_TRUE(LastRun::previous().has_value());
    ASSERT_TRUE(LastRun::previous()->hang.has_value());
    EXPECT_EQ(LastRun::previous()->hang->stack, stack);
    EXPECT_EQ(LastRun::previous()->hang->seconds, std::nullopt);
    EXPECT_LE(abs(LastRun::previous()->hang->since - morning), 1us);
    // The new run's record has no hang.
    EXPECT_FALSE(stored("lastRun").contains("hang"));
    EXPECT_TRUE(LastRun::recentHangs().empty());
}

TEST_F(LastRunTest, AnEndedHangMovesToTheFrontOfAtMostFiveRecentHangs) {
    LastRun::begin();
    for (int i = 1; i <= 6; ++i) {
        LastRun::hangBegan(morning + hours(i), {"frame " + std::to_string(i)});
        LastRun::hangEnded(2.5 + i);
        EXPECT_FALSE(stored("lastRun").contains("hang"));
        EXPECT_EQ(LastRun::recentHangs().front().seconds, 2.5 + i);
    }
    // The sixth pushed the first out; newest first.
    std::vector<LastRun::Hang> hangs = LastRun::recentHangs();
    ASSERT_EQ(hangs.size(), 5u);
    for (std::size_t k = 0; k < hangs.size(); ++k) {
        EXPECT_EQ(hangs[k].stack.front(), "frame " + std::to_string(6 - k));
        EXPECT_LE(abs(hangs[k].since - (morning + hours(6 - static_cast<int>(k)))), 1us);
    }
    // Ending a hang that was never declared changes nothing.
    LastRun::hangEnded(1);
    EXPECT_EQ(LastRun::recentHangs().size(), 5u);
    EXPECT_EQ(LastRun::recentHangs().front().stack.front(), "frame 6");
    EXPECT_FALSE(LastRun::endedBadly()) << "a hang that ended is no bad ending of the last run";
}

TEST_F(LastRunTest, DamagedRecordsCountAsAbsentAndAreReplaced) {
    const std::vector<std::string> damaged = {
        "not json",
        R"({"version":"1.0","started":0})",                         // no "clean"
        R"({"version":"1.0","started":"yesterday","clean":false})", // a date as text
        R"({"version":"1.0","started":1e300,"clean":false})",       // no such date
        R"({"version":"1.0","started":0,"clean":false,"hang":{"since":0,"stack":[1]}})",
    };
    for (const std::string& data : damaged) {
        ASSERT_TRUE(Defaults::standard().set("lastRun", data));
        relaunch();
        EXPECT_EQ(LastRun::previous(), std::nullopt) << data;
        EXPECT_FALSE(LastRun::endedBadly()) << data;
        EXPECT_EQ(stored("lastRun")["version"], "2.4.1") << "replaced by the new record: " << data;
    }

    // What a previous version may have written: unknown keys and a null hang are fine.
    ASSERT_TRUE(Defaults::standard().set(
        "lastRun", R"({"version":"1.0","started":0,"clean":false,"hang":null,"extra":[1,2]})"));
    relaunch();
    ASSERT_TRUE(LastRun::previous().has_value());
    EXPECT_EQ(LastRun::previous()->started, system_clock::time_point(sys_days(year(2001) / 1 / 1)));
    EXPECT_EQ(LastRun::previous()->hang, std::nullopt);
    EXPECT_TRUE(LastRun::endedBadly());
}

TEST_F(LastRunTest, DamagedRecentHangsReadAsNoneAndAreOverwritten) {
    LastRun::begin();
    for (const char* data : {"{", "{}", R"([{"since":0,"stack":["a"]},{"stack":["b"]}])"}) {
        ASSERT_TRUE(Defaults::standard().set("recentHangs", data));
        EXPECT_TRUE(LastRun::recentHangs().empty()) << data;
    }
    LastRun::hangBegan(morning, {"a"});
    LastRun::hangEnded(3);
    ASSERT_EQ(LastRun::recentHangs().size(), 1u);
    EXPECT_EQ(stored("recentHangs").size(), 1u);

    // A length that JSON cannot hold stores nothing.
    LastRun::hangBegan(morning, {"b"});
    LastRun::hangEnded(std::nan(""));
    ASSERT_EQ(LastRun::recentHangs().size(), 1u);
    EXPECT_EQ(LastRun::recentHangs().front().stack.front(), "a");
}

TEST_F(LastRunTest, WithoutBeginNothingIsStored) {
    ASSERT_TRUE(
        Defaults::standard().set("lastRun", R"({"version":"1.0","started":0,"clean":false})"));
    LastRun::hangBegan(morning, {"a"});
    LastRun::hangEnded(3);
    LastRun::end();
    EXPECT_EQ(Defaults::standard().data("lastRun"),
              R"({"version":"1.0","started":0,"clean":false})");
    EXPECT_EQ(Defaults::standard().data("recentHangs"), std::nullopt);
    EXPECT_EQ(LastRun::current(), std::nullopt);
}

TEST(LastRunDates, AreSecondsSinceTheStartOf2001InUTC) {
    system_clock::time_point reference = sys_days(year(2001) / January / 1);
    EXPECT_EQ(LastRun::referenceSeconds(reference), 0.0);
    EXPECT_EQ(LastRun::fromReferenceSeconds(794135103.25),
              system_clock::time_point(sys_days(year(2026) / March / 2) + 9h + 5min + 3s + 250ms));
    EXPECT_EQ(LastRun::fromReferenceSeconds(-978307200.0), system_clock::time_point());
    for (double bad : {1e300, -1e300, std::nan(""), HUGE_VAL}) {
        EXPECT_EQ(LastRun::fromReferenceSeconds(bad), std::nullopt) << bad;
    }
}

TEST_F(LastRunTest, HangsWrittenFromAnotherThreadWhileTheMainThreadQuitsStayWhole) {
    LastRun::begin();
    std::atomic<bool> stop{false};
    std::thread watch([&] {
        for (int i = 0; i < 6 || !stop.load(); ++i) {
            LastRun::hangBegan(morning, {"frame " + std::to_string(i)});
            LastRun::hangEnded(3);
        }
    });
    for (int i = 0; i < 50; ++i) {
        LastRun::end();
        (void)LastRun::current();
    }
    stop = true;
    watch.join();
    relaunch();
    ASSERT_TRUE(LastRun::previous().has_value()) << "the stored record is always whole";
    EXPECT_TRUE(LastRun::previous()->clean);
    EXPECT_EQ(LastRun::recentHangs().size(), 5u);
}

} // namespace
} // namespace corvale
