#include "Corvale/SettingsTransfer.hpp"

#include "CorvaleCore/Files.hpp"
#include "CorvaleCore/LogStore.hpp"

#include "Support/Framework.hpp"
#include "Support/SampleSettings.hpp"
#include "Support/ScriptedPanels.hpp"
#include "Support/TemporaryHome.hpp"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace corvale {
namespace {

using namespace std::chrono;
using test::SampleSettings;

const std::string notSettings = "This file doesn't have Tool settings in it.";

class SettingsTransferTest : public ::testing::Test {
protected:
    SettingsTransferTest() { Log::setDetailed(true); }

    test::TemporaryFolder folder{"transfer"};
    test::ScopedIdentity identity{{"Tool", "org.example.tool", "owner/Tool"}};
    test::ScopedBundle bundle{Bundle(json::Json{{"CFBundleShortVersionString", "2.5"}})};
    test::ScopedLog log;
    test::ScriptedPanels panels;

    SampleSettings settings;
    int replaced = 0;
    SettingsTransfer<SampleSettings> transfer{[this] { return settings; },
                                              [this](SampleSettings imported) {
                                                  settings = std::move(imported);
                                                  ++replaced;
                                              },
                                              "the preferences"};

    std::filesystem::path file(const std::string& name) const { return folder.path() / name; }

    void write(const std::string& name, const std::string& contents) const {
        std::ofstream(file(name), std::ios::binary) << contents;
    }

    static SampleSettings loud() {
        SampleSettings value;
        value.theme = "dark";
        value.volume = 11;
        value.reminder = sys_days(year(2026) / March / 1);
        return value;
    }

    static std::vector<std::string> imports() {
        std::vector<std::string> messages;
        for (const LogEntry& entry : LogStore::shared().entries({}, "org.example.tool")) {
            if (entry.category == "lifecycle" && entry.message == "settings imported from a file") {
                messages.push_back(entry.message);
            }
        }
        return messages;
    }
};

TEST_F(SettingsTransferTest, ExportReplacesAFileWholeAndImportGivesTheSameSettings) {
    settings = loud();
    write("mine.json", std::string(100'000, 'x'));
    auto before = floor<seconds>(system_clock::now());
    transfer.exportTo(file("mine.json"));
    auto after = system_clock::now();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1)
        << "nothing left beside it";

    json::Json document = json::parse(*readFile(file("mine.json")));
    EXPECT_EQ(document["app"], "Tool");
    EXPECT_EQ(document["version"], "2.5");
    std::optional<json::Date> exported =
        json::parseIso8601(document["exported"].get<std::string>());
    ASSERT_TRUE(exported);
    EXPECT_GE(*exported, before);
    EXPECT_LE(*exported, after);
    EXPECT_EQ(document["settings"], json::encode(loud()));

    settings = SampleSettings();
    EXPECT_TRUE(imports().empty());
    transfer.importSettings(file("mine.json"));
    EXPECT_EQ(settings, loud());
    EXPECT_EQ(replaced, 1);
    EXPECT_EQ(imports().size(), 1u);
}

TEST_F(SettingsTransferTest, BadFilesChangeNothingAndSayWhy) {
    // Which data is not settings: SettingsFileTest. Here: a failed import changes nothing.
    struct Case {
        const char* name;
        std::string contents;
        std::string description;
    };
    const std::string wrongFormat =
        "The data couldn't be read because it isn't in the correct format.";
    for (const Case& bad : {
             Case{"notjson.json", "theme = dark", notSettings},
             Case{"types.json", R"({"theme": "dark", "volume": true})", wrongFormat},
         }) {
        write(bad.name, bad.contents);
        try {
            transfer.importSettings(file(bad.name));
            ADD_FAILURE() << "imported " << bad.name;
        } catch (const Error& error) {
            EXPECT_EQ(error.description(), bad.description) << bad.name;
        }
    }
    EXPECT_EQ(replaced, 0);
    EXPECT_EQ(settings, SampleSettings());
    EXPECT_TRUE(imports().empty());
}

TEST_F(SettingsTransferTest, AFileThatCannotBeReadFailsWithTheReason) {
    std::filesystem::create_directory(file("folder.json"));
    struct Case {
        std::filesystem::path location;
        int error;
    };
    for (const Case& bad :
         {Case{file("missing.json"), ENOENT}, Case{file("folder.json"), EISDIR}}) {
        try {
            transfer.importSettings(bad.location);
            ADD_FAILURE() << "imported " << bad.location;
        } catch (const FileError& error) {
            EXPECT_EQ(error.operation(), FileError::Operation::read);
            EXPECT_EQ(error.errorNumber(), bad.error) << bad.location;
            EXPECT_EQ(error.description(), "The file “" + bad.location.filename().string() +
                                               "” couldn't be opened: " + std::strerror(bad.error) +
                                               ".");
        }
    }
    // A pipe would keep the reader waiting for a writer, a device might never end: refused
    // before reading, so this returns at all.
    ASSERT_EQ(::mkfifo(file("pipe.json").c_str(), 0600), 0);
    for (const std::filesystem::path& special :
         {file("pipe.json"), std::filesystem::path("/dev/zero")}) {
        try {
            transfer.importSettings(special);
            ADD_FAILURE() << "imported " << special;
        } catch (const FileError& error) {
            EXPECT_EQ(error.description(), "The file “" + special.filename().string() +
                                               "” couldn't be opened: It isn't a regular file.");
        }
    }
    EXPECT_EQ(replaced, 0);
}

TEST_F(SettingsTransferTest, TheSavePanelExportsOrShowsTheFailureAndACancelDoesNothing) {
    panels.saveAnswers = {std::nullopt};
    transfer.exportWithPanel(panels);
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));

    settings = loud();
    panels.saveAnswers = {file("chosen.json"), file("missing") / "chosen.json"};
    transfer.exportWithPanel(panels);
    EXPECT_EQ(panels.savePanels[1], (SavePanel{"Tool Settings.json", {"json"}, true}));
    EXPECT_EQ(SettingsFile<SampleSettings>::settingsFrom(*readFile(file("chosen.json"))), loud());
    EXPECT_TRUE(panels.alerts.empty());

    transfer.exportWithPanel(panels);
    ASSERT_EQ(panels.alerts.size(), 1u);
    EXPECT_EQ(panels.alerts[0],
              (Alert{Alert::Style::warning,
                     "Couldn't export your settings",
                     "The file “chosen.json” couldn't be saved: No such file or directory.",
                     {}}));
}

TEST_F(SettingsTransferTest, ImportingThroughThePanelAsksFirstAndReplacesOnlyOnReplace) {
    SettingsTransfer<SampleSettings> exporter{[] { return loud(); }, [](SampleSettings) {}, ""};
    exporter.exportTo(file("name.json"));

    // Cancelled panel, then a cancelled question: nothing changes, nothing is logged.
    panels.openAnswers = {std::nullopt, file("name.json")};
    panels.alertAnswers = {1};
    transfer.importWithPanel(panels);
    transfer.importWithPanel(panels);
    ASSERT_EQ(panels.openPanels.size(), 2u);
    EXPECT_EQ(panels.openPanels[0], (OpenPanel{{"json"}, false}));
    ASSERT_EQ(panels.alerts.size(), 1u);
    EXPECT_EQ(panels.alerts[0].message, "Replace your settings?");
    EXPECT_EQ(panels.alerts[0].informativeText,
              "Tool will use the preferences in “name.json”. Your current ones are replaced; "
              "export them first to keep a copy.");
    EXPECT_EQ(panels.alerts[0].buttons, (std::vector<std::string>{"Replace", "Cancel"}));
    EXPECT_EQ(replaced, 0);
    EXPECT_TRUE(imports().empty());

    panels.openAnswers = {file("name.json")};
    panels.alertAnswers = {0};
    transfer.importWithPanel(panels);
    EXPECT_EQ(settings, loud());
    EXPECT_EQ(replaced, 1);
    EXPECT_EQ(imports().size(), 1u);
    EXPECT_EQ(panels.alerts.size(), 2u);
}

TEST_F(SettingsTransferTest,
       AFileWithoutSettingsNeverReachesTheQuestionNorOneSpoiledWhileItIsOpen) {
    write("notes.json", R"({"notes": "nothing here"})");
    SettingsTransfer<SampleSettings> exporter{[] { return loud(); }, [](SampleSettings) {}, ""};
    exporter.exportTo(file("name.json"));
    panels.openAnswers = {file("notes.json"), file("absent.json"), file("name.json")};
    panels.alertAnswers = {0};
    panels.onAlert = [&](const Alert& alert) {
        if (alert.message == "Replace your settings?") {
            write("name.json", "[]");
        }
    };
    for (int i = 0; i < 3; ++i) {
        transfer.importWithPanel(panels);
    }
    const Alert noSettings{
        Alert::Style::warning, "Couldn't import these settings", notSettings, {}};
    ASSERT_EQ(panels.alerts.size(), 4u);
    EXPECT_EQ(panels.alerts[0], noSettings);
    EXPECT_EQ(panels.alerts[1].informativeText,
              "The file “absent.json” couldn't be opened: No such file or directory.");
    EXPECT_EQ(panels.alerts[2].message, "Replace your settings?");
    EXPECT_EQ(panels.alerts[3], noSettings);
    EXPECT_EQ(replaced, 0);
    EXPECT_TRUE(imports().empty());
}

} // namespace
} // namespace corvale
