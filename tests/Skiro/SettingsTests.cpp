#include "Skiro/Settings.hpp"

#include "CorvaleCore/Files.hpp"
#include "CorvaleCore/LogStore.hpp"
#include "SkiroEngine/Identity.hpp"

#include "Support/Framework.hpp"
#include "Support/ScriptedPanels.hpp"
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
    EXPECT_EQ(corvale::Defaults::standard().location("config"),
              home.config() / "dev.skiro.Skiro" / "config");
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

TEST_F(SettingsTest, NoBadFileTouchesTheSettingsInEffect) {
    Settings settings;
    settings.setConfig(chosen());
    std::string stored = *SettingsTest::stored();
    auto transfer = Settings::transfer(settings);
    std::filesystem::create_directory(file("folder.json"));
    for (auto [name, contents] : std::vector<std::pair<std::string, std::string>>{
             {"text.json", "paused: true"},
             {"array.json", R"([{"paused": false}])"},
             {"empty.json", "{}"},
             {"directions.json", R"({"directions": {"mouseVertical": "natural"}})"},
             {"other.json", R"({"app": "Other", "version": "1", "exported": "2026-03-01T09:30:00Z",
                               "settings": {"paused": false}})"},
             {"date.json", R"({"app": "Skiro", "version": "1", "exported": "2026-03-01",
                              "settings": {"paused": false}})"},
             {"types.json", R"({"paused": false, "detailedLogging": "no"})"},
             {"direction.json", R"({"paused": false, "directions": {"mouseVertical": "up"}})"},
         }) {
        std::ofstream(file(name)) << contents;
        EXPECT_THROW(transfer.importSettings(file(name)), corvale::Error) << name;
    }
    EXPECT_THROW(transfer.importSettings(file("missing.json")), corvale::FileError);
    EXPECT_THROW(transfer.importSettings(file("folder.json")), corvale::FileError);
    EXPECT_EQ(settings.config(), chosen());
    EXPECT_EQ(SettingsTest::stored(), stored);
    EXPECT_EQ(importsLogged(), 0u);
}

TEST_F(SettingsTest, ThePanelsSpeakOfSkiro) {
    Settings settings;
    auto transfer = Settings::transfer(settings);
    corvale::test::ScriptedPanels panels;
    panels.saveAnswers = {file("Skiro Settings.json")};
    transfer.exportWithPanel(panels);
    EXPECT_EQ(panels.savePanels.at(0).proposedName, "Skiro Settings.json");

    std::ofstream(file("name.json")) << R"({"hello": "world"})";
    panels.openAnswers = {file("name.json")};
    transfer.importWithPanel(panels);
    ASSERT_EQ(panels.alerts.size(), 1u);
    EXPECT_EQ(panels.alerts[0].message, "Couldn't import these settings");
    EXPECT_EQ(panels.alerts[0].informativeText, "This file doesn't have Skiro settings in it.");

    std::filesystem::copy_file(file("Skiro Settings.json"), file("name.json"),
                               std::filesystem::copy_options::overwrite_existing);
    panels.openAnswers = {file("name.json")};
    panels.alertAnswers = {1};
    transfer.importWithPanel(panels);
    ASSERT_EQ(panels.alerts.size(), 2u);
    EXPECT_EQ(panels.alerts[1].informativeText,
              "Skiro will use the settings in “name.json”. Your current ones are replaced; export "
              "them first to keep a copy.");
    EXPECT_EQ(importsLogged(), 0u);
}

} // namespace
} // namespace skiro
