#include "CorvaleCore/LogStore.hpp"

#include "Support/Framework.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace corvale {
namespace {

using namespace std::chrono_literals;
using std::chrono::system_clock;

TEST(LogStore, KeepsTheNewestEntriesWithinItsLimits) {
    LogStore store(LogStore::Limits{100, 1024 * 1024, 1024});
    for (int i = 0; i < 250; ++i) {
        store.write("s", "c", LogLevel::notice, std::to_string(i));
    }
    std::vector<LogEntry> entries = store.entries(system_clock::time_point::min(), "s");
    ASSERT_EQ(entries.size(), 100u);
    EXPECT_EQ(entries.front().message, "150");
    EXPECT_EQ(entries.back().message, "249");

    // The byte budget bounds it too: big messages push out more entries.
    LogStore small(LogStore::Limits{1000, 20 * 1024, 4096});
    for (int i = 0; i < 100; ++i) {
        small.write("s", "c", LogLevel::notice, std::string(1000, 'x'));
    }
    EXPECT_LE(small.bytes(), 20u * 1024);
    EXPECT_GE(small.count(), 10u);
    EXPECT_LT(small.count(), 20u);
}

TEST(LogStore, CutsOverlongMessagesOnACharacterBoundary) {
    LogStore store(LogStore::Limits{10, 1024 * 1024, 10});
    // "é" is two bytes; byte 10 falls inside the fifth one.
    store.write("s", "c", LogLevel::error, "aéééééé");
    std::vector<LogEntry> entries = store.entries(system_clock::time_point::min(), "s");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].message, "aéééé …(cut)");
}

TEST(LogStore, DatesEntriesByItsClockAndReadsByDateAndSubsystem) {
    test::ManualClock clock(system_clock::time_point(1'000'000s));
    LogStore store;
    store.setClock([&] { return clock.now(); });
    store.write("a", "c", LogLevel::notice, "early");
    clock.advance(10s);
    store.write("b", "c", LogLevel::notice, "other subsystem");
    store.write("a", "c", LogLevel::notice, "late");
    EXPECT_EQ(store.now(), clock.now());

    std::vector<LogEntry> all = store.entries(system_clock::time_point::min(), "a");
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].date, system_clock::time_point(1'000'000s));
    EXPECT_EQ(all[1].message, "late");

    std::vector<LogEntry> recent = store.entries(clock.now() - 5s, "a");
    ASSERT_EQ(recent.size(), 1u);
    EXPECT_EQ(recent[0].message, "late");

    // A clock set back still reads oldest first.
    clock.set(system_clock::time_point(999'999s));
    store.write("a", "c", LogLevel::notice, "set back");
    EXPECT_EQ(store.entries(system_clock::time_point::min(), "a").front().message, "set back");

    store.write("a", "c", LogLevel::debug, "debug is off");
    EXPECT_EQ(store.count(), 4u);
    store.reset();
    EXPECT_EQ(store.count(), 0u);
}

} // namespace
} // namespace corvale
