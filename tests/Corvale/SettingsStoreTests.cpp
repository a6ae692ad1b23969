#include "Corvale/SettingsStore.hpp"

#include "CorvaleCore/Files.hpp"

#include "Support/Framework.hpp"
#include "Support/SampleSettings.hpp"
#include "Support/TemporaryHome.hpp"

#include <gtest/gtest.h>

#include <fstream>

namespace corvale {
namespace {

using test::SampleSettings;
using Store = SettingsStore<SampleSettings>;

class SettingsStoreTest : public ::testing::Test {
protected:
    test::TemporaryHome home;
    test::ScopedIdentity identity{{"Tool", "org.example.tool", "owner/Tool"}};

    std::optional<std::string> stored() const { return Defaults::standard().data("prefs"); }
    void put(const std::string& data) const {
        ASSERT_TRUE(Defaults::standard().set("prefs", data));
    }

    static SampleSettings loud() {
        SampleSettings settings;
        settings.volume = 11;
        return settings;
    }
};

TEST_F(SettingsStoreTest, AFirstStartHasTheDefaultsAndOnlyChangesAreWritten) {
    Store store("prefs");
    EXPECT_EQ(store.config(), SampleSettings());
    store.setConfig(SampleSettings());
    EXPECT_EQ(stored(), std::nullopt);

    store.setConfig(loud());
    EXPECT_EQ(stored(), R"({"theme":"light","volume":11})");
    // The next run finds it.
    EXPECT_EQ(Store("prefs").config(), loud());

    // Only changes are written: make the file differ from what the store would write.
    put("untouched");
    store.setConfig(loud());
    store.update([](SampleSettings&) {});
    EXPECT_EQ(stored(), "untouched");
    store.update([](SampleSettings& settings) { settings.reminder = json::Date{}; });
    EXPECT_EQ(stored(), R"({"reminder":"1970-01-01T00:00:00Z","theme":"light","volume":11})");
}

TEST_F(SettingsStoreTest, AnOlderDocumentIsRewrittenAtOnceInTheCurrentEncoding) {
    // Lacks "theme", and has a key this version no longer knows.
    put(R"({"volume": 3, "retired": true})");
    Store store("prefs");
    SampleSettings expected;
    expected.volume = 3;
    EXPECT_EQ(store.config(), expected);
    EXPECT_EQ(stored(), R"({"theme":"light","volume":3})");
}

TEST_F(SettingsStoreTest, DamagedDataGivesTheDefaultsAndStaysUntilTheFirstChange) {
    for (std::string damaged : {std::string("{\"volume\": [tru\xff"), std::string("[]"),
                                std::string(R"({"volume": "loud"})"), std::string("")}) {
        put(damaged);
        Store store("prefs");
        EXPECT_EQ(store.config(), SampleSettings()) << damaged;
        EXPECT_EQ(stored(), damaged);
        store.setConfig(SampleSettings()); // equal: still nothing written
        EXPECT_EQ(stored(), damaged);
        store.update([](SampleSettings& settings) { settings.theme = "dark"; });
        EXPECT_EQ(stored(), R"({"theme":"dark","volume":5})");
    }
}

TEST_F(SettingsStoreTest, EveryAssignmentIsPublishedOnceInPlaceAndStored) {
    Store store("prefs");
    std::vector<std::string> events;
    Subscription after = store.subscribe([&](const SampleSettings& value) {
        // The value is in place, and stored, by the time it is published.
        EXPECT_EQ(store.config(), value);
        events.push_back("now " + std::to_string(value.volume) + " stored " +
                         stored().value_or("nothing"));
    });
    store.setConfig(loud());
    store.setConfig(loud()); // equal values are published too
    EXPECT_EQ(events, (std::vector<std::string>{
                          "now 5 stored nothing", // the current value at once
                          R"(now 11 stored {"theme":"light","volume":11})",
                          R"(now 11 stored {"theme":"light","volume":11})",
                      }));
}

TEST_F(SettingsStoreTest, AnAssignmentByASubscriberIsPublishedToEveryoneInOrder) {
    Store store("prefs");
    std::vector<std::int64_t> first, second;
    // The first subscriber caps the volume at 8, the way a controller might correct a value.
    Subscription capping = store.subscribe([&](const SampleSettings& value) {
        first.push_back(value.volume);
        if (value.volume > 8) {
            store.update([](SampleSettings& settings) { settings.volume = 8; });
        }
    });
    Subscription watching =
        store.subscribe([&](const SampleSettings& value) { second.push_back(value.volume); });
    store.setConfig(loud());
    EXPECT_EQ(first, (std::vector<std::int64_t>{5, 11, 8}));
    EXPECT_EQ(second, (std::vector<std::int64_t>{5, 11, 8}));
    EXPECT_EQ(store.config().volume, 8);
    EXPECT_EQ(stored(), R"({"theme":"light","volume":8})");
}

} // namespace
} // namespace corvale
