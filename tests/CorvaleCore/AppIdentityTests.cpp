#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/Bundle.hpp"

#include "Support/Framework.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace corvale {
namespace {

using json::Json;

Bundle bundleWith(Json info) {
    return Bundle(std::move(info));
}

TEST(AppIdentity, VersionComesFromTheRunningBundleWhateverCurrentHolds) {
    test::ScopedIdentity identity({"Someone", "org.example.someone", "owner/Someone"});
    {
        test::ScopedBundle bundle(bundleWith({{"CFBundleShortVersionString", "2.4.1"}}));
        EXPECT_EQ(AppIdentity::current().version(), "2.4.1");
        EXPECT_EQ((AppIdentity{"x", "y", "z"}).version(), "2.4.1");
    }
    {
        test::ScopedBundle bundle(bundleWith({{"CFBundleShortVersionString", 2.4}}));
        EXPECT_EQ(AppIdentity::current().version(), "?");
    }
}

TEST(AppIdentity, DefaultIsMadeOnceFromTheMainBundle) {
    {
        // A bundle with no information dictionary at all.
        Bundle none;
        test::ScopedBundle bundle(std::move(none));
        AppIdentity::resetCurrent();
        AppIdentity made = AppIdentity::current();
        EXPECT_EQ(made.name, "App");
        EXPECT_EQ(made.bundleID, AppIdentity::fallbackBundleID);
        EXPECT_EQ(made.repository, "");
    }
    // Made once: a later change of the bundle does not change it.
    EXPECT_EQ(AppIdentity::current().name, "App");

    test::ScopedBundle bundle(
        bundleWith({{"CFBundleName", "Named"}, {"CFBundleIdentifier", "org.example.named"}}));
    AppIdentity::resetCurrent();
    EXPECT_EQ(AppIdentity::current(), (AppIdentity{"Named", "org.example.named", ""}));

    test::ScopedBundle wrongTypes(bundleWith({{"CFBundleName", 7}, {"CFBundleIdentifier", true}}));
    EXPECT_EQ(AppIdentity::fromBundle(Bundle::main()),
              (AppIdentity{"App", AppIdentity::fallbackBundleID, ""}));
    AppIdentity::resetCurrent();
}

TEST(AppIdentity, CurrentIsSafeToReadWhileItIsSet) {
    AppIdentity first{"First", "org.example.first", "owner/First"};
    AppIdentity second{"Second", "org.example.second", "owner/Second"};
    test::ScopedIdentity identity(first);
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 3; ++i) {
        readers.emplace_back([&] {
            while (!stop.load()) {
                AppIdentity seen = AppIdentity::current();
                if (seen != first && seen != second) {
                    ++torn;
                }
            }
        });
    }
    for (int i = 0; i < 2000; ++i) {
        AppIdentity::setCurrent(i % 2 ? first : second);
    }
    stop = true;
    for (auto& reader : readers) {
        reader.join();
    }
    EXPECT_EQ(torn.load(), 0);
}

} // namespace
} // namespace corvale
