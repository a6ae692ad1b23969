#include "Skiro/Settings.hpp"

#include "CorvaleCore/Files.hpp"
#include "CorvaleCore/LogStore.hpp"
#include "SkiroEngine/Identity.hpp"

#include "Support/Framework.hpp"
#include "Support/TemporaryHome.hpp"

#include <gtest/gtest.h>

#include <fstream>

namespace skiro {
namespace {

class SettingsTest : public ::testing::Test {
protected:
    SettingsTest() { corvale::Log::setDetailed(true); }

    corvale::test::TemporaryHome home;
    corvale::test::ScopedIdentity identity{appIdentity()};
    corvale::test::ScopedLog log;

    std::filesystem::path file(const std::string& name) const { return home.path() / name; }
    static std::optional<std::string> stored() {
        return corvale::Defaults::standard().data("config");
    }

    static Config chosen() {
        Config config;
        config.detailedLogging = true;
        config.paused = true;
        config.directions = Directions();
        config.directions->trackpadHorizontal = Direction::standard;
        return config;
    }

    static std::size_t importsLogged() {
        std::size_t count = 0;
        for (const auto& entry : corvale::LogStore::shared().entries({}, "dev.skiro.Skiro")) {
            count +=
                entry.category == "lifecycle" && entry.message == "settings imported from a file";
        }
        return count;
    }
};

TEST_F(SettingsTest, TheConfigurationLivesUnderConfigInTheUserDefaults) {
    Settings settings;
    EXPECT_EQ(settings.config(), Config());
    settings.setConfig(chosen());
    EXPECT_EQ(stored(), R"({"detailedLogging":true,"directions":{"mouseHorizontal":"standard",)"
                        R"("mouseVertical":"standard","trackpadHorizontal":"standard",)"
                        R"("trackpadVertical":"natural"},"hasCompletedOnboarding":false,)"
                        R"("paused":true})");
    EXPECT_EQ(Settings().config(), chosen());
}

TEST_F(SettingsTest, AnImportKeepsWhetherTheWelcomeWasFinishedHere) {
    Settings elsewhere(corvale::Defaults(home.path() / "elsewhere"));
    elsewhere.setConfig(chosen()); // the welcome never finished there
    Settings::transfer(elsewhere).exportTo(file("from elsewhere.json"));

    Settings settings;
    settings.setConfig(Config{true, false, std::nullopt, false});
    std::vector<Config> published;
    corvale::Subscription subscription =
        settings.subscribe([&](const Config& value) { published.push_back(value); });
    Settings::transfer(settings).importSettings(file("from elsewhere.json"));

    Config expected = chosen();
    expected.hasCompletedOnboarding = true;
    EXPECT_EQ(settings.config(), expected);
    // One assignment: the tap never sees a mixture.
    EXPECT_EQ(published, (std::vector<Config>{Config{true, false, std::nullopt, false}, expected}));
    EXPECT_EQ(corvale::json::decode<Config>(std::string_view(*stored())), expected);
    EXPECT_EQ(importsLogged(), 1u);

    // And the other way round: finishing it elsewhere does not finish it here.
    elsewhere.update([](Config& config) { config.hasCompletedOnboarding = true; });
    Settings::transfer(elsewhere).exportTo(file("finished.json"));
    Settings fresh(corvale::Defaults(home.path() / "fresh"));
    Settings::transfer(fresh).importSettings(file("finished.json"));
    EXPECT_FALSE(fresh.config().hasCompletedOnboarding);
    EXPECT_EQ(fresh.config().directions, chosen().directions);
}

} // namespace
} // namespace skiro
