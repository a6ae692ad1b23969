#include "CorvaleCore/Defaults.hpp"
#include "CorvaleCore/Files.hpp"
#include "CorvaleCore/Folders.hpp"

#include "Support/Framework.hpp"
#include "Support/TemporaryHome.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <set>
#include <thread>
#include <vector>

namespace corvale {
namespace {

class DefaultsTest : public ::testing::Test {
protected:
    test::TemporaryHome home;
    test::ScopedIdentity identity{{"Tool", "org.example.tool", "owner/Tool"}};
};

TEST_F(DefaultsTest,
       DataDamagedOrNotSurvivesAFreshStoreUnderTheConfigurationFolderByBundleIdentifier) {
    EXPECT_EQ(Defaults::standard().location("config"),
              home.config() / "org.example.tool" / "config");
    EXPECT_EQ(Defaults::standard().data("config"), std::nullopt);
    ASSERT_TRUE(Defaults::standard().set("config", R"({"paused":true})"));
    ASSERT_TRUE(Defaults::standard().set("lastRun", std::string("bytes\0with nul", 14)));
    Defaults fresh = Defaults::standard();
    EXPECT_EQ(fresh.data("config"), R"({"paused":true})");
    EXPECT_EQ(fresh.data("lastRun"), std::string("bytes\0with nul", 14));

    ASSERT_TRUE(fresh.set("config", "{}"));
    EXPECT_EQ(Defaults::standard().data("config"), "{}");
    EXPECT_TRUE(fresh.remove("config"));
    EXPECT_TRUE(fresh.remove("config"));
    EXPECT_EQ(Defaults::standard().data("config"), std::nullopt);
    EXPECT_EQ(Defaults::standard().data("lastRun"), std::string("bytes\0with nul", 14));

    // Damaged data is returned as it is and left in place.
    std::string damaged = "{\"directions\": [tru\xff";
    std::ofstream(fresh.location("config"), std::ios::binary) << damaged;
    EXPECT_EQ(fresh.data("config"), damaged);
    EXPECT_EQ(readFile(fresh.location("config")), damaged);
    ASSERT_TRUE(fresh.set("config", "{}"));
    EXPECT_EQ(fresh.data("config"), "{}");
}

TEST_F(DefaultsTest, KeysNeverNamePathsOutsideTheFolder) {
    Defaults defaults = Defaults::standard();
    std::vector<std::string> keys = {"../escape", "a/b", "a%2Fb", ".hidden", "", "..", "ü"};
    std::set<std::filesystem::path> files;
    for (const std::string& key : keys) {
        std::filesystem::path file = defaults.location(key);
        EXPECT_EQ(file.parent_path(), defaults.folder()) << key;
        EXPECT_NE(file.filename().string().front(), '.') << key;
        files.insert(file);
        ASSERT_TRUE(defaults.set(key, "value of " + key));
    }
    EXPECT_EQ(files.size(), keys.size());
    for (const std::string& key : keys) {
        EXPECT_EQ(defaults.data(key), "value of " + key);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(home.config()), {}), 1)
        << "something was written beside the defaults folder";
}

TEST_F(DefaultsTest, AReaderNeverSeesAHalfWrittenValue) {
    Defaults defaults = Defaults::standard();
    const std::string first(256 * 1024, 'a');
    const std::string second(300 * 1024, 'b');
    ASSERT_TRUE(defaults.set("config", first));
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int i = 0; i < 40; ++i) {
            defaults.set("config", i % 2 ? first : second);
        }
        done = true;
    });
    int reads = 0;
    int torn = 0;
    while (!done.load() || reads < 50) {
        std::optional<std::string> seen = defaults.data("config");
        ++reads;
        if (!seen || (*seen != first && *seen != second)) {
            ++torn;
        }
    }
    writer.join();
    EXPECT_EQ(torn, 0) << "of " << reads << " reads";
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(defaults.folder()), {}), 1);
}

TEST_F(DefaultsTest, WritersOnSeveralThreadsLoseNothing) {
    constexpr int threads = 6;
    constexpr int keysEach = 15;
    std::vector<std::thread> writers;
    for (int t = 0; t < threads; ++t) {
        writers.emplace_back([t] {
            Defaults defaults = Defaults::standard();
            for (int k = 0; k < keysEach; ++k) {
                std::string key = "key" + std::to_string(t) + "-" + std::to_string(k);
                // Everyone also writes one shared key, which ends up whole.
                defaults.set(key, key + " value");
                defaults.set("shared", std::string(4096, static_cast<char>('a' + t)));
            }
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }
    Defaults defaults = Defaults::standard();
    for (int t = 0; t < threads; ++t) {
        for (int k = 0; k < keysEach; ++k) {
            std::string key = "key" + std::to_string(t) + "-" + std::to_string(k);
            EXPECT_EQ(defaults.data(key), key + " value");
        }
    }
    std::optional<std::string> shared = defaults.data("shared");
    ASSERT_TRUE(shared.has_value());
    ASSERT_EQ(shared->size(), 4096u);
    EXPECT_EQ(shared->find_first_not_of(shared->front()), std::string::npos);
}

TEST_F(DefaultsTest, AFailedWriteIsLoggedAndKeepsWhatWasStored) {
    test::ScopedLog log;
    // The defaults folder's place is taken by a file, so nothing can be written there.
    std::filesystem::create_directories(home.config());
    std::ofstream(home.config() / "org.example.tool") << "not a folder";
    EXPECT_FALSE(Defaults::standard().set("config", "{}"));
    auto entries = LogStore::shared().entries(std::chrono::system_clock::time_point::min(),
                                              "org.example.tool");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].level, LogLevel::error);
    EXPECT_EQ(entries[0].message.rfind("couldn't save the user default config: ", 0), 0u)
        << entries[0].message;
    EXPECT_EQ(readFile(home.config() / "org.example.tool"), "not a folder");
}

} // namespace
} // namespace corvale
