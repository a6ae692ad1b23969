#include "SkiroEngine/Config.hpp"
#include "SkiroEngine/Identity.hpp"

#include "Support/Framework.hpp"

#include <gtest/gtest.h>

namespace skiro {
namespace {

using corvale::json::DecodingError;
using corvale::json::Json;

Config decode(std::string_view text) {
    return corvale::json::decode<Config>(text);
}

Directions mouseNatural() {
    Directions directions;
    directions.mouseVertical = Direction::natural;
    directions.mouseHorizontal = Direction::natural;
    return directions;
}

TEST(Config, TheTapTurnsOnlyWhatIsChosenAndNotPaused) {
    Config config;
    EXPECT_FALSE(config.turnerSettings().turnsAnything());
    EXPECT_TRUE(config.turnerSettings().active);
    config.directions = mouseNatural();
    EXPECT_EQ(config.turnerSettings(), (Turner::Settings{true, mouseNatural()}));
    config.paused = true;
    EXPECT_EQ(config.turnerSettings(), (Turner::Settings{false, mouseNatural()}));

    EXPECT_EQ(Config().shownDirections(true), Directions::system(true));
    EXPECT_EQ(Config().shownDirections(false), Directions::system(false));
    EXPECT_EQ(config.shownDirections(false), mouseNatural());
}

TEST(Config, WithADirectionKeepsEveryOtherChoiceAsShown) {
    const Axis both[] = {Axis::vertical, Axis::horizontal};
    const Axis vertical[] = {Axis::vertical};
    Config config;
    config.paused = true;
    // Nothing chosen yet: the rest follows what the system does now.
    Config changed = config.withDirection(Device::mouse, vertical, Direction::standard, true);
    Directions expected = Directions::system(true);
    expected.mouseVertical = Direction::standard;
    EXPECT_EQ(changed.directions, expected);
    EXPECT_TRUE(changed.paused);

    changed = changed.withDirection(Device::trackpad, both, Direction::standard, false);
    expected.trackpadVertical = expected.trackpadHorizontal = Direction::standard;
    EXPECT_EQ(changed.directions, expected) << "the chosen ones stay, whatever the system does";
}

TEST(Config, EncodesDirectionsOnlyWhenChosen) {
    EXPECT_EQ(corvale::json::encode(Config()),
              Json::parse(R"({"hasCompletedOnboarding": false, "detailedLogging": false,
                              "paused": false})"));
    Config config;
    config.hasCompletedOnboarding = true;
    config.paused = true;
    config.directions = mouseNatural();
    Json encoded = corvale::json::encode(config);
    EXPECT_EQ(encoded.size(), 4u);
    EXPECT_EQ(encoded["directions"]["mouseVertical"], "natural");
    EXPECT_EQ(decode(corvale::json::encodeCompact(encoded)), config);
}

TEST(Config, MissingOrNullKeysTakeTheirDefaults) {
    EXPECT_EQ(decode("{}"), Config());
    EXPECT_EQ(decode(R"({"hasCompletedOnboarding": null, "detailedLogging": null,
                         "directions": null, "paused": null, "future": [1, 2]})"),
              Config());

    Config paused;
    paused.paused = true;
    EXPECT_EQ(decode(R"({"paused": true})"), paused);

    Config config = decode(R"({"directions": {"trackpadVertical": "standard"}})");
    ASSERT_TRUE(config.directions);
    EXPECT_EQ(config.directions->trackpadVertical, Direction::standard);
    EXPECT_EQ(config.directions->trackpadHorizontal, Direction::natural);
    EXPECT_EQ(config.directions->mouseVertical, Direction::standard);
    EXPECT_EQ(config.directions->mouseHorizontal, Direction::standard);
}

TEST(Config, AWrongValueFailsTheWholeDecoding) {
    struct Case {
        const char* text;
        DecodingError::Kind kind;
        corvale::json::CodingPath path;
    };
    for (const Case& bad : {
             Case{R"({"paused": "yes"})", DecodingError::Kind::typeMismatch, {"paused"}},
             Case{
                 R"({"directions": "natural"})", DecodingError::Kind::typeMismatch, {"directions"}},
             Case{R"({"directions": {"mouseVertical": "Natural"}})",
                  DecodingError::Kind::dataCorrupted,
                  {"directions", "mouseVertical"}},
             Case{"{", DecodingError::Kind::dataCorrupted, {}},
         }) {
        try {
            decode(bad.text);
            ADD_FAILURE() << "decoded " << bad.text;
        } catch (const DecodingError& error) {
            EXPECT_EQ(error.kind(), bad.kind) << bad.text;
            EXPECT_EQ(error.codingPath(), bad.path) << bad.text;
        }
    }
}

class ConfigFileTest : public ::testing::Test {
protected:
    corvale::test::ScopedIdentity identity{appIdentity()};
    using File = corvale::SettingsFile<Config>;
};

TEST_F(ConfigFileTest, TheKnownKeysAreTheThreeFlags) {
    // "directions" alone is not recognised as settings, although Config would decode it.
    for (std::string_view text : {
             R"({"directions": {"mouseVertical": "natural"}})",
             R"({"app": "Skiro", "version": "1", "exported": "2026-03-01T09:30:00Z",
                 "settings": {"directions": {"mouseVertical": "natural"}}})",
         }) {
        EXPECT_THROW(File::settingsFrom(text), corvale::SettingsFileError) << text;
    }
    for (std::string_view key : {"hasCompletedOnboarding", "detailedLogging", "paused"}) {
        std::string text = "{\"" + std::string(key) + "\": true}";
        EXPECT_NE(File::settingsFrom(text), Config()) << text;
    }
    // A known key with a wrong value is the decoder's error, not "no settings".
    EXPECT_THROW(File::settingsFrom(R"({"paused": "yes"})"), DecodingError);
}

} // namespace
} // namespace skiro
