#include "CorvaleCore/Log.hpp"
#include "CorvaleCore/LogStore.hpp"

#include "Support/Framework.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace corvale {
namespace {

using namespace std::chrono_literals;
using std::chrono::system_clock;

constexpr const char* subsystem = "org.example.tool";

namespace testlogs {
CORVALE_LOG_CATEGORY(widgets, "widgets")
}

class LogTest : public ::testing::Test {
protected:
    std::vector<LogEntry> kept() const {
        return LogStore::shared().entries(system_clock::time_point::min(), subsystem);
    }

    test::ScopedIdentity identity{{"Tool", subsystem, "owner/Tool"}};
    test::ScopedLog log;
};

TEST_F(LogTest, OrdinaryMessagesAreNotBuiltWhileNothingWouldKeepThem) {
    int built = 0;
    auto message = [&] {
        ++built;
        return std::string("opened the socket");
    };
    Log::lifecycle()(message);
    testlogs::widgets()(message);
    Log::lifecycle()("a literal sentence");
    EXPECT_EQ(built, 0);
    EXPECT_TRUE(kept().empty());

    // Errors are built and kept whatever the switches say.
    Log::lifecycle().error(message);
    EXPECT_EQ(built, 1);
    ASSERT_EQ(kept().size(), 1u);
    EXPECT_EQ(kept()[0].level, LogLevel::error);
    EXPECT_EQ(kept()[0].message, "opened the socket");
}

TEST_F(LogTest, DetailedLoggingKeepsOrdinaryMessagesAtDefaultLevelTheDebugSwitchAtDebugLevel) {
    int built = 0;
    Log::setDetailed(true);
    Log::lifecycle()([&] {
        ++built;
        return "settings imported from a file";
    });
    Log::lifecycle().error("couldn't open the command-line socket");
    EXPECT_EQ(built, 1);

    std::vector<LogEntry> entries = kept();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].level, LogLevel::notice);
    EXPECT_EQ(entries[0].category, "lifecycle");
    EXPECT_EQ(entries[1].level, LogLevel::error);

    // The next message after the switch goes off is not kept; nothing restarts.
    Log::setDetailed(false);
    Log::lifecycle()([&] {
        ++built;
        return "not kept";
    });
    EXPECT_EQ(built, 1);
    EXPECT_EQ(kept().size(), 2u);

    // The debug switch keeps them at debug level.
    LogStore::shared().setDebugEnabled(true);
    testlogs::widgets()([] { return "/home/someone/private path, shown as it is"; });
    entries = kept();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[2].level, LogLevel::debug);
    EXPECT_EQ(entries[2].category, "widgets");
    EXPECT_EQ(entries[2].message, "/home/someone/private path, shown as it is");
}

TEST_F(LogTest, SubsystemIsTheCurrentBundleIdentifier) {
    EXPECT_EQ(Log::subsystem(), subsystem);
    Log::lifecycle().error("first");
    {
        test::ScopedIdentity other({"Other", "org.example.other", ""});
        Log::lifecycle().error("second");
    }
    ASSERT_EQ(kept().size(), 1u);
    EXPECT_EQ(kept()[0].message, "first");
    EXPECT_EQ(
        LogStore::shared().entries(system_clock::time_point::min(), "org.example.other").size(),
        1u);
}

TEST_F(LogTest, ManyThreadsWritingAtOnceLoseNothingAndKeepEachThreadsOrder) {
    Log::setDetailed(true);
    constexpr int threads = 6;
    constexpr int each = 400;
    std::vector<std::thread> writers;
    for (int t = 0; t < threads; ++t) {
        writers.emplace_back([t] {
            for (int i = 0; i < each; ++i) {
                if (i % 2) {
                    Log::lifecycle()([&] { return std::to_string(t) + ":" + std::to_string(i); });
                } else {
                    Log::lifecycle().error(
                        [&] { return std::to_string(t) + ":" + std::to_string(i); });
                }
            }
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }
    std::vector<LogEntry> entries = kept();
    ASSERT_EQ(entries.size(), static_cast<std::size_t>(threads * each));
    std::vector<int> next(threads, 0);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0) {
            EXPECT_LE(entries[i - 1].date, entries[i].date);
        }
        std::size_t colon = entries[i].message.find(':');
        int t = std::stoi(entries[i].message.substr(0, colon));
        int n = std::stoi(entries[i].message.substr(colon + 1));
        EXPECT_EQ(n, next[static_cast<std::size_t>(t)]++) << entries[i].message;
    }
}

} // namespace
} // namespace corvale
