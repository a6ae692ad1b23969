#include "CorvaleCore/SettingsFile.hpp"

#include "Support/Framework.hpp"
#include "Support/SampleSettings.hpp"

#include <gtest/gtest.h>

#include <algorithm>

namespace corvale {
namespace {

using namespace std::chrono;
using test::SampleSettings;
using File = SettingsFile<SampleSettings>;

const json::Date march1 = sys_days(year(2026) / March / 1) + 9h + 30min;

class SettingsFileTest : public ::testing::Test {
protected:
    test::ScopedIdentity identity{{"Tool", "org.example.tool", "owner/Tool"}};

    static SampleSettings dark() {
        SampleSettings settings;
        settings.theme = "dark";
        settings.volume = 11;
        settings.reminder = march1 + 24h;
        return settings;
    }

    // Runs the reader and answers the description of the SettingsFileError it threw.
    static std::string notSettings(std::string_view data) {
        try {
            File::settingsFrom(data);
        } catch (const SettingsFileError& error) {
            EXPECT_EQ(error.kind(), SettingsFileError::Kind::notSettings);
            return error.description();
        } catch (const std::exception& error) {
            return std::string("another error: ") + error.what();
        }
        return "read as settings";
    }
};

TEST_F(SettingsFileTest, WritesAPrettySortedEnvelopeWithUTCDates) {
    File file(dark(), "1.4", march1);
    EXPECT_EQ(file.app, "Tool");
    std::string text = file.encoded();

    // One member per line, keys sorted at every level, dates in whole seconds with a Z.
    EXPECT_GT(std::count(text.begin(), text.end(), '\n'), 6);
    auto at = [&](std::string_view key) { return text.find("\"" + std::string(key) + "\""); };
    EXPECT_LT(at("app"), at("exported"));
    EXPECT_LT(at("exported"), at("settings"));
    EXPECT_LT(at("settings"), at("reminder"));
    EXPECT_LT(at("reminder"), at("theme"));
    EXPECT_LT(at("theme"), at("volume"));
    EXPECT_LT(at("volume"), at("version"));

    json::Json document = json::parse(text);
    EXPECT_EQ(document, json::parse(R"({
        "app": "Tool", "exported": "2026-03-01T09:30:00Z", "version": "1.4",
        "settings": {"reminder": "2026-03-02T09:30:00Z", "theme": "dark", "volume": 11}})"));
}

TEST_F(SettingsFileTest, AnExportOrABareObjectNamingAKnownKeyReadsBack) {
    for (const SampleSettings& settings : {SampleSettings{}, dark()}) {
        EXPECT_EQ(File::settingsFrom(File(settings, "?", march1).encoded()), settings);
    }
    // The date only has to be well-formed; neither it nor the version is compared.
    EXPECT_EQ(File::settingsFrom(R"({"app": "Tool", "version": "0.0.1",
        "exported": "1999-12-31T23:00:00-05:00", "settings": {"theme": "dark"}})")
                  .theme,
              "dark");

    // A bare object naming a known key is read.
    SampleSettings expected;
    expected.volume = 2;
    EXPECT_EQ(File::settingsFrom(R"({"volume": 2})"), expected);
    // Unknown members are ignored, at the top of a bare object and of an envelope.
    EXPECT_EQ(File::settingsFrom(R"({"volume": 2, "colour": "red"})"), expected);
    EXPECT_EQ(File::settingsFrom(R"({"app": "Tool", "version": "1", "comment": "mine",
        "exported": "2026-03-01T09:30:00Z", "settings": {"volume": 2, "colour": "red"}})"),
              expected);
    // An envelope that does not qualify is still read when its top names a known key.
    EXPECT_EQ(File::settingsFrom(R"({"app": "Other", "settings": {"theme": "dark"},
        "volume": 2})"),
              expected);
    // Keys the default value leaves out still count.
    SampleSettings reminded;
    reminded.reminder = march1;
    EXPECT_EQ(File::settingsFrom(R"({"reminder": "2026-03-01T09:30:00Z"})"), reminded);
    EXPECT_EQ(File::settingsFrom(R"({"app": "Tool", "version": "1",
        "exported": "2026-03-01T09:30:00Z", "settings": {"reminder": "2026-03-01T09:30:00Z"}})"),
              reminded);
}

TEST_F(SettingsFileTest, DataWithoutSettingsOfThisApplicationSaysSoNamingIt) {
    const std::string expected = "This file doesn't have Tool settings in it.";
    std::string envelopeKeys = R"("version": "1", "exported": "2026-03-01T09:30:00Z")";
    for (const std::string& data : std::vector<std::string>{
             "",
             "not json",
             R"([{"theme": "dark"}])",
             "{}",
             R"({"colour": "dark", "nested": {"theme": "dark"}})",
             // Another application's, or ours in another letter case.
             R"({"app": "Other", )" + envelopeKeys + R"(, "settings": {"theme": "dark"}})",
             R"({"app": "tool", )" + envelopeKeys + R"(, "settings": {"theme": "dark"}})",
             // Ours, but the settings name nothing known.
             R"({"app": "Tool", )" + envelopeKeys + R"(, "settings": {}})",
             R"({"app": "Tool", )" + envelopeKeys + R"(, "settings": "theme"})",
             // Ours, with a member missing, null or malformed: not an envelope, and nothing
             // known at the top.
             R"({"app": "Tool", "exported": "2026-03-01T09:30:00Z", "settings": {"theme": "x"}})",
             R"({"app": "Tool", "version": 1, "exported": "2026-03-01T09:30:00Z",
                 "settings": {"theme": "x"}})",
             R"({"app": "Tool", "version": "1", "exported": "2026-03-01T09:30:00.250Z",
                 "settings": {"theme": "x"}})",
             R"({"app": "Tool", "version": "1", "exported": "2026-02-30T09:30:00Z",
                 "settings": {"theme": "x"}})",
             // Ours, but a setting holds a wrong value: not an envelope either.
             R"({"app": "Tool", )" + envelopeKeys + R"(, "settings": {"volume": "loud"}})",
         }) {
        EXPECT_EQ(notSettings(data), expected) << data;
    }
}

TEST_F(SettingsFileTest, ABareObjectWithAWrongValueReportsTheDecodersError) {
    try {
        File::settingsFrom(R"({"theme": "dark", "volume": "loud"})");
        FAIL() << "read as settings";
    } catch (const json::DecodingError& error) {
        EXPECT_EQ(error.kind(), json::DecodingError::Kind::typeMismatch);
        EXPECT_EQ(error.codingPath(), json::CodingPath{"volume"});
        EXPECT_EQ(error.description(),
                  "The data couldn't be read because it isn't in the correct format.");
    }
    EXPECT_THROW(File::settingsFrom(R"({"reminder": "tomorrow"})"), json::DecodingError);
}

} // namespace
} // namespace corvale
