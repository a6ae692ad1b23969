#include "App/AppProcess.hpp"
#include "Corvale/CommandSocket.hpp"

#include "Corvale/CommandTesting.hpp"
#include "Corvale/Commands.hpp"
#include "CorvaleCore/Files.hpp"
#include "CorvaleCore/Json.hpp"
#include "CorvaleCore/LastRun.hpp"
#include "SkiroEngine/Identity.hpp"

#include "Support/Framework.hpp"
#include "Support/TemporaryHome.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace skiro::test {
namespace {

using corvale::json::Json;

class ApplicationTest : public AppTest {
protected:
    static Environment withHooks() { return {{"SKIRO_TEST_HOOKS", "1"}}; }

    static Json stateOf(App& app) {
        Finished state = app.run({"state"});
        EXPECT_EQ(state.status, 0) << state.err;
        return corvale::json::parse(state.out);
    }

    static void write(const std::filesystem::path& path, const std::string& text) {
        std::ofstream(path) << text;
    }
};

// "received V H unit (made V H)", as test-scroll answers.
struct Delivery {
    long long received[2] = {0, 0};
    long long made[2] = {0, 0};
    std::string unit;

    bool turned() const {
        return made[0] != 0 && received[0] == -made[0] && received[1] == -made[1];
    }
    bool untouched() const { return received[0] == made[0] && received[1] == made[1]; }
};

Delivery delivered(const Finished& answer) {
    Delivery delivery;
    EXPECT_EQ(answer.status, 0) << answer.err;
    char unit[16] = {};
    int end = 0;
    const int read = std::sscanf(answer.out.c_str(), "received %lld %lld %15s (made %lld %lld)%n",
                                 &delivery.received[0], &delivery.received[1], unit,
                                 &delivery.made[0], &delivery.made[1], &end);
    EXPECT_EQ(read, 5) << answer.out;
    EXPECT_EQ(answer.out.substr(static_cast<std::size_t>(end)), "\n") << answer.out;
    delivery.unit = unit;
    return delivery;
}

// A PNG file's width and height in pixels, from its header chunk.
std::pair<unsigned, unsigned> pngSize(const std::filesystem::path& file) {
    unsigned char head[24] = {};
    std::ifstream(file, std::ios::binary).read(reinterpret_cast<char*>(head), sizeof head);
    const auto number = [&](int at) {
        return unsigned(head[at]) << 24 | unsigned(head[at + 1]) << 16 |
               unsigned(head[at + 2]) << 8 | head[at + 3];
    };
    return {number(16), number(20)};
}

Json fourWays(const char* trackpadVertical, const char* trackpadHorizontal,
              const char* mouseVertical, const char* mouseHorizontal) {
    return {{"trackpadVertical", trackpadVertical},
            {"trackpadHorizontal", trackpadHorizontal},
            {"mouseVertical", mouseVertical},
            {"mouseHorizontal", mouseHorizontal}};
}

TEST_F(ApplicationTest, HelpListsTheRegisteredCommandsAndTheStateHasEveryKeyInOrder) {
    App& app = launch(withHooks());

    Finished help = app.run({"help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out,
              "Usage: skiro <command>\n"
              "\n"
              "Commands:\n"
              "  state                      Print the app's state as JSON\n"
              "  log                        Print the last 10 minutes of the log\n"
              "  diagnostics                Print the report for a bug report\n"
              "  update                     Check for updates (also a link)\n"
              "  whats-new                  Show what's new in this version (also a link)\n"
              "  crash-note                 Show the note about the last crash or hang (also a "
              "link)\n"
              "  pause                      Scrolling follows System Settings until you resume "
              "(also a link)\n"
              "  resume                     Scrolling goes your way again (also a link)\n"
              "  settings [pane]            Open Settings, at a pane: general, scrolling, about "
              "(also a link)\n"
              "  welcome                    Open the welcome, with its scroll test\n"
              "  set <device> <axis> <way>  Which way a device scrolls: trackpad or mouse, "
              "vertical, horizontal or both, natural or standard. `set all system` follows "
              "System Settings again\n"
              "  export [file]              Save the settings to a file, or print them\n"
              "  import <file>              Replace the settings with the ones in a file\n"
              "  record [seconds]           Record what the taps see for 1 to 120 seconds (10 "
              "unless you say), and print where the file is\n"
              "  probe                      Which taps macOS allows, and how the scroll fields "
              "behave when written\n"
              "  snapshot                   Draw the welcome and the menu bar icon to PNGs, "
              "without Screen Recording\n"
              "\n"
              "Links work from anywhere that opens one: open skiro://settings\n");

    Finished state = app.run({"state"});
    ASSERT_EQ(state.status, 0) << state.err;
    const nlohmann::ordered_json asWritten = nlohmann::ordered_json::parse(state.out);
    std::vector<std::string> keys;
    for (const auto& item : asWritten.items()) {
        keys.push_back(item.key());
    }
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end()));
    const std::set<std::string> expected{
        "accessibility", "app", "away", "byDevice", "check", "cost", "directions", "hidEvents",
        "passed", "posted", "readBackFailures", "restarts", "revived", "scrolls", "since", "state",
        "systemNatural", "tap", "tapEnabled", "tapTurnedOff", "testHooks",
        // The welcome window's scroll test listens.
        "testLastInput", "testPage", "turned", "turnedBackBy", "turnedByDevice", "unknownSenders",
        "version"};
    EXPECT_EQ(std::set<std::string>(keys.begin(), keys.end()), expected);

    Json document = corvale::json::parse(state.out);
    EXPECT_EQ(document["app"], "Skiro");
    EXPECT_EQ(document["version"], appIdentity().version());
    EXPECT_EQ(document["state"], "running");
    EXPECT_EQ(document["accessibility"], true);
    EXPECT_EQ(document["systemNatural"], true);
    EXPECT_EQ(document["directions"], "system");
    EXPECT_EQ(document["tap"], "hid");
    EXPECT_EQ(document["tapEnabled"], true);
    EXPECT_EQ(document["hidEvents"], true);
    EXPECT_EQ(document["testHooks"], true);
    EXPECT_EQ(document["turnedBackBy"], "nobody");
    EXPECT_TRUE(corvale::json::parseIso8601(document["since"].get<std::string>()));
    EXPECT_EQ(document["cost"]["scrollStarts"]["fromHID"], 0);
}

TEST_F(ApplicationTest, OnboardingRunsFromTheCommandLine) {
    App& app = launch(withHooks());
    // The first launch shows the welcome page, which listens to the tap.
    const Json before = stateOf(app);
    EXPECT_EQ(before["testLastInput"], "none");
    ASSERT_EQ(before["testPage"].size(), 4u);
    EXPECT_GT(before["testPage"][2].get<double>(), 0);
    EXPECT_EQ(before["directions"], "system");

    // The tap reports to the page through the application's main queue: ask until it arrived.
    const auto stateWhen = [&](const std::function<bool(const Json&)>& holds) {
        Json state = stateOf(app);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!holds(state) && std::chrono::steady_clock::now() < deadline) {
            state = stateOf(app);
        }
        return state;
    };
    const auto swipe = [&](const char* vertical, const char* horizontal) {
        Finished swiped = app.run({"test-scroll", "trackpad", vertical, horizontal, "page"});
        EXPECT_EQ(swiped.status, 0) << swiped.err;
    };
    swipe("40", "0");
    const std::string seen = stateWhen([](const Json& state) {
        return state["testLastInput"].get<std::string>().ends_with("on the page true");
    })["testLastInput"];
    EXPECT_TRUE(seen.starts_with("trackpad v ")) << seen;
    EXPECT_TRUE(seen.ends_with("on the page true")) << seen;
    EXPECT_EQ(stateOf(app)["directions"], "system") << "the welcome stores only at Done";

    // The Scrolling pane's page, shown last, listens now, and its answers are stored at once.
    ASSERT_EQ(app.run({"settings", "scrolling"}).status, 0);
    const auto trackpad = [](const Json& state, const char* axis) -> std::string {
        return state["directions"].is_object() ? state["directions"][axis] : "";
    };
    swipe("-40", "0");
    EXPECT_EQ(trackpad(stateWhen([&](const Json& state) {
                           return !trackpad(state, "trackpadVertical").empty();
                       }),
                       "trackpadVertical"),
              "standard");
    // Sideways strokes answer nothing until the test is on the horizontal axis. The swipe's
    // reply comes once the tap has handled it, after its reports were queued for the page.
    swipe("0", "-40");
    const Json sideways = stateOf(app);
    EXPECT_EQ(trackpad(sideways, "trackpadHorizontal"), "natural");
    ASSERT_EQ(app.run({"test-axis", "horizontal"}).status, 0);
    swipe("0", "-40");
    EXPECT_EQ(trackpad(stateWhen([&](const Json& state) {
                           return trackpad(state, "trackpadHorizontal") == "standard";
                       }),
                       "trackpadHorizontal"),
              "standard");

    // Another pane hides the page: the welcome's page, still showing, listens again.
    ASSERT_EQ(app.run({"settings", "ABOUT"}).status, 0);
    EXPECT_EQ(stateOf(app)["testPage"], before["testPage"]);
    swipe("40", "0");
    // Closing the windows hides every page, which lets the tap go.
    ASSERT_EQ(app.run({"close-windows"}).status, 0);
    EXPECT_FALSE(stateOf(app).contains("testPage"));
    EXPECT_EQ(app.run({"test-scroll", "trackpad", "0", "40", "page"}).err,
              "No scroll test page is showing.\n");
    Finished usage = app.run({"test-axis"});
    EXPECT_EQ(usage.status, 1);
    EXPECT_EQ(usage.err, "Usage: skiro test-axis <vertical|horizontal>\n");
}

TEST_F(ApplicationTest, SetTurnsTheMouseAndLeavesTheTrackpadUntilPaused) {
    App& app = launch(withHooks());

    Finished set = app.run({"set", "mouse", "both", "standard"});
    EXPECT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(set.out, "");
    EXPECT_EQ(stateOf(app)["directions"], fourWays("natural", "natural", "standard", "standard"));

    // The system's natural scrolling negates the wheel; Skiro turns it back for the mouse.
    Delivery wheel = delivered(app.run({"test-scroll", "mouse", "3", "0"}));
    EXPECT_EQ(wheel.unit, "lines");
    EXPECT_EQ(wheel.made[0], -3);
    EXPECT_TRUE(wheel.turned());
    Delivery swipe = delivered(app.run({"test-scroll", "trackpad", "0", "70"}));
    EXPECT_EQ(swipe.unit, "points");
    EXPECT_EQ(swipe.made[1], -70);
    EXPECT_TRUE(swipe.untouched());

    Json counted = stateOf(app);
    EXPECT_EQ(counted["byDevice"], Json({{"trackpad", 9}, {"mouse", 1}}));
    EXPECT_EQ(counted["turnedByDevice"], Json({{"trackpad", 0}, {"mouse", 1}}));

    EXPECT_EQ(app.run({"pause"}).status, 0);
    EXPECT_EQ(stateOf(app)["state"], "paused");
    EXPECT_TRUE(delivered(app.run({"test-scroll", "mouse", "3", "0"})).untouched());
    EXPECT_TRUE(delivered(app.run({"test-scroll", "trackpad", "0", "70"})).untouched());

    EXPECT_EQ(app.run({"resume"}).status, 0);
    EXPECT_EQ(stateOf(app)["state"], "running");
    EXPECT_TRUE(delivered(app.run({"test-scroll", "mouse", "3", "0"})).turned());

    // Arguments are taken in any case; the other device and axis keep their way.
    EXPECT_EQ(app.run({"set", "TRACKPAD", "Vertical", "STANDARD"}).status, 0);
    EXPECT_EQ(stateOf(app)["directions"], fourWays("standard", "natural", "standard", "standard"));

    Finished wrong = app.run({"set", "all", "works"});
    EXPECT_EQ(wrong.status, 1);
    EXPECT_EQ(wrong.out, "");
    EXPECT_EQ(wrong.err, "Usage: skiro set <trackpad|mouse> <vertical|horizontal|both> "
                         "<natural|standard>, or skiro set all system\n");
    EXPECT_EQ(stateOf(app)["directions"], fourWays("standard", "natural", "standard", "standard"));

    EXPECT_EQ(app.run({"set", "all", "system"}).status, 0);
    EXPECT_EQ(stateOf(app)["directions"], "system");
    EXPECT_TRUE(delivered(app.run({"test-scroll", "mouse", "3", "0"})).untouched());

    // Its scroll test does not exist yet: nothing to switch, and nothing to say.
    Finished axis = app.run({"test-axis", "vertical"});
    EXPECT_EQ(axis.status, 0);
    EXPECT_EQ(axis.out, "");
}

TEST_F(ApplicationTest, ExportsAndImportsTheSettings) {
    App& app = launch({});
    corvale::test::TemporaryFolder work("work");
    ASSERT_EQ(app.run({"set", "mouse", "vertical", "standard"}).status, 0);

    Finished printed = app.run({"export"});
    ASSERT_EQ(printed.status, 0) << printed.err;
    Json file = corvale::json::parse(printed.out);
    EXPECT_EQ(file["app"], "Skiro");
    EXPECT_EQ(file["settings"]["directions"]["mouseVertical"], "standard");
    EXPECT_TRUE(std::filesystem::exists(home.cache() / "Skiro" / "settings.json"));

    // A relative path is the client's, from its own working directory.
    Finished saved = app.run({"export", "mine.json"}, {.folder = work.path()});
    const std::filesystem::path mine = work.path() / "mine.json";
    EXPECT_EQ(saved.status, 0) << saved.err;
    EXPECT_EQ(saved.out, "Saved the settings to " + mine.string() + "\n");
    ASSERT_TRUE(std::filesystem::exists(mine));

    ASSERT_EQ(app.run({"set", "all", "system"}).status, 0);
    Finished imported = app.run({"import", mine.string()});
    EXPECT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(imported.out, "Imported the settings from " + mine.string() + "\n");
    EXPECT_EQ(stateOf(app)["directions"], fourWays("natural", "natural", "standard", "natural"));

    write(work.path() / "other.json", R"({"name": "not settings"})");
    Finished refused = app.run({"import", "other.json"}, {.folder = work.path()});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err, "This file doesn't have Skiro settings in it.\n");

    Finished nothing = app.run({"import"});
    EXPECT_EQ(nothing.status, 1);
    EXPECT_EQ(nothing.err, "Say which file to import: skiro import <file>\n");
    EXPECT_EQ(stateOf(app)["directions"], fourWays("natural", "natural", "standard", "natural"));
}

TEST_F(ApplicationTest, RecordsForASecondAndProbesTheTaps) {
    App& app = launch(withHooks());

    Finished tooLong = app.run({"record", "121"});
    EXPECT_EQ(tooLong.status, 1);
    EXPECT_EQ(tooLong.err, "Record for 1 to 120 seconds.\n");

    Finished recorded = app.run({"record", "1"});
    ASSERT_EQ(recorded.status, 0) << recorded.err;
    // Said while it listens; not a terminal here, so the seconds left take one line at most.
    EXPECT_TRUE(
        recorded.err.starts_with("Recording for 1 s: scroll now, the way that goes wrong.\n"))
        << recorded.err;
    EXPECT_LE(std::count(recorded.err.begin(), recorded.err.end(), '\n'), 2) << recorded.err;
    ASSERT_FALSE(recorded.out.empty());
    EXPECT_EQ(recorded.out.back(), '\n');
    const std::filesystem::path file = recorded.out.substr(0, recorded.out.size() - 1);
    EXPECT_EQ(file.parent_path(), home.cache() / "Skiro" / "recordings");
    std::ifstream in(file);
    std::vector<Json> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(corvale::json::parse(line));
    }
    ASSERT_GE(lines.size(), 2u) << file;
    const Json& header = lines.front();
    EXPECT_EQ(header["kind"], "header");
    EXPECT_EQ(header["tap"], "hid");
    EXPECT_EQ(header["paused"], false);
    EXPECT_EQ(header["directions"], "system");
    EXPECT_EQ(header["version"], appIdentity().version());
    EXPECT_TRUE(header.contains("macOS") && header.contains("systemNatural"));
    EXPECT_EQ(lines.back()["kind"], "senders");

    Finished probe = app.run({"probe"});
    ASSERT_EQ(probe.status, 0) << probe.err;
    const Json found = corvale::json::parse(probe.out);
    EXPECT_EQ(found["taps"].size(), 24u);
    EXPECT_EQ(found["taps"]["hid head active scroll"], "ok");
    EXPECT_EQ(found["accessibility"], true);
    EXPECT_EQ(found["fields"]["line"]["before"], "v 7/7.0/70, h -3/-3.0/-30");
}

TEST_F(ApplicationTest, CtrlCWhileARecordingRunsSaysItGoesOnAndWhereItWillBeWritten) {
    launch(withHooks());
    const std::filesystem::path output = home.path() / "record.txt";
    const std::filesystem::path folder = home.cache() / "Skiro" / "recordings";
    Child client({executable().string(), "record", "2"}, {.outputFile = output});
    const auto said = [&](const std::string& text) {
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (corvale::readFile(output).value_or("").find(text) == std::string::npos &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(5ms);
        }
        return corvale::readFile(output).value_or("");
    };
    ASSERT_NE(said("Recording for 2 s").find("Recording for 2 s: scroll now"), std::string::npos);

    client.signal(SIGINT);
    const Finished interrupted = client.wait();
    EXPECT_EQ(interrupted.signal, SIGINT) << "ended as Ctrl-C ends it";
    const std::string words = said("The recording goes on");
    EXPECT_TRUE(words.find("The recording goes on in Skiro: in ") != std::string::npos &&
                words.find(" s it will be written to " + folder.string() + ".\n") !=
                    std::string::npos)
        << words;

    // And so it is.
    const auto written = [&] {
        std::error_code error;
        return std::filesystem::exists(folder, error) && !std::filesystem::is_empty(folder, error);
    };
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (!written() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_TRUE(written()) << folder;
}

TEST_F(ApplicationTest, WithoutTestHooksOrPermissionItWaitsAndRefusesTestCommands) {
    App& app = launch({{"SKIRO_TEST_HOOKS", std::nullopt},
                       {"SKIRO_SIM_ACCESSIBILITY", "0"},
                       {"SKIRO_SIM_NATURAL", "0"},
                       {"SKIRO_SIM_DEVICES", "mouse"}});

    Json state = stateOf(app);
    EXPECT_EQ(state["state"], "waiting");
    EXPECT_EQ(state["accessibility"], false);
    EXPECT_EQ(state["systemNatural"], false);
    EXPECT_EQ(state["tap"], "none");
    EXPECT_EQ(state["tapEnabled"], false);
    EXPECT_EQ(state["testHooks"], false);

    for (std::vector<std::string> command : {std::vector<std::string>{"test-stall", "50", "3"},
                                             {"test-axis", "vertical"},
                                             {"close-windows"},
                                             {"test-scroll", "mouse", "1", "0"}}) {
        Finished refused = app.run(command);
        EXPECT_EQ(refused.status, 1) << command.front();
        EXPECT_EQ(refused.err, "Not available.\n") << command.front();
    }

    Finished record = app.run({"record", "1"});
    EXPECT_EQ(record.status, 1);
    EXPECT_EQ(record.err, "Skiro is waiting for Accessibility.\n");

    // With the system's natural scrolling off, the device not named starts out standard.
    ASSERT_EQ(app.run({"set", "mouse", "both", "natural"}).status, 0);
    EXPECT_EQ(stateOf(app)["directions"], fourWays("standard", "standard", "natural", "natural"));

    Finished ended = app.end(SIGINT);
    EXPECT_FALSE(ended.timedOut);
    EXPECT_EQ(ended.status, 0);
}

TEST_F(ApplicationTest, ASecondClientIsAnsweredWhileTheFirstHoldsTheConnection) {
    App& app = launch({});
    const std::filesystem::path socket = corvale::Commands::socketURL();

    // The first client sends its whole request but keeps its side open: the server is still
    // reading it when the second comes, and answers the second meanwhile.
    corvale::test::RawClient first(socket);
    ASSERT_TRUE(first.connected());
    first.write(R"({"command":"set","arguments":["mouse","both","standard"]})");
    Finished answered = client({"state"});
    EXPECT_EQ(answered.status, 0) << answered.err;
    EXPECT_EQ(corvale::json::parse(answered.out)["directions"], "system");

    // The first is served once its request is whole.
    first.halfClose();
    EXPECT_EQ(first.readAll(), R"({"ok":""})");
    EXPECT_EQ(stateOf(app)["directions"], fourWays("natural", "natural", "standard", "standard"));
}

TEST_F(ApplicationTest, RunsWithoutADisplayAsOneInstanceThatLinksFromTheDesktopReach) {
#if defined(__APPLE__)
    GTEST_SKIP() << "a Mac always has its window server: running without a display is Linux's case";
#endif
    App& app = launch({{"SKIRO_TEST_HOOKS", "1"},
                       {"DISPLAY", std::nullopt},
                       {"WAYLAND_DISPLAY", std::nullopt},
                       {"QT_QPA_PLATFORM", std::nullopt}});
    Finished second = client({});
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(second.err, "Skiro is already running.\n");
    EXPECT_TRUE(std::filesystem::exists(corvale::Commands::socketURL()));

    // What a desktop runs for a link of the scheme.
    Finished link = client({"skiro://pause"});
    EXPECT_EQ(link.status, 0) << link.err;
    // A command never makes the user interface, so a platform Qt lacks is no matter.
    Finished state = client({"state"}, {.environment = {{"QT_QPA_PLATFORM", "nonexistent"}}});
    ASSERT_EQ(state.status, 0) << state.err;
    EXPECT_EQ(corvale::json::parse(state.out)["state"], "paused");

    // Drawn offscreen all the same: the welcome 620 points wide and the icons, at 2 pixels a
    // point.
    Finished snapshot = app.run({"snapshot"});
    ASSERT_EQ(snapshot.status, 0) << snapshot.err;
    const std::filesystem::path folder = home.cache() / "Skiro" / "snapshots";
    EXPECT_EQ(snapshot.out,
              (folder / "welcome.png").string() + "\n" + (folder / "menubar.png").string() + "\n");
    const auto [welcomeWidth, welcomeHeight] = pngSize(folder / "welcome.png");
    EXPECT_EQ(welcomeWidth, 1240u);
    EXPECT_TRUE(welcomeHeight > 0 && welcomeHeight % 2 == 0) << welcomeHeight;
    // Four icons of 20 by 16 points side by side.
    const auto [iconsWidth, iconsHeight] = pngSize(folder / "menubar.png");
    EXPECT_TRUE(iconsWidth >= 4 * 40 && iconsHeight >= 32) << iconsWidth << "x" << iconsHeight;
    // Nothing of the tray item or its wiring complains at launch.
    for (const char* complaint : {"QSystemTrayIcon", "QObject::connect"}) {
        EXPECT_EQ(app.output().find(complaint), std::string::npos) << app.output();
    }

    Finished ended = app.end(SIGTERM);
    EXPECT_EQ(ended.status, 0);
}

TEST_F(ApplicationTest, EndsCleanlyOnSIGTERMAndKeepsItsSettingsForTheNextRun) {
    {
        App& app = launch(withHooks());
        ASSERT_EQ(app.run({"set", "trackpad", "horizontal", "standard"}).status, 0);
        Finished ended = app.end(SIGTERM);
        EXPECT_FALSE(ended.timedOut);
        EXPECT_EQ(ended.status, 0);
        EXPECT_FALSE(ended.signal);
        EXPECT_FALSE(std::filesystem::exists(corvale::Commands::socketURL()));
    }
    // What the next launch reads, read the same way.
    corvale::LastRun::reset();
    corvale::LastRun::begin();
    EXPECT_FALSE(corvale::LastRun::endedBadly());
    ASSERT_TRUE(corvale::LastRun::previous());
    EXPECT_TRUE(corvale::LastRun::previous()->clean);
    corvale::LastRun::end();
    corvale::LastRun::reset();

    {
        App& app = launch(withHooks());
        EXPECT_EQ(stateOf(app)["directions"],
                  fourWays("natural", "standard", "natural", "natural"));
        Finished killed = app.end(SIGKILL);
        EXPECT_EQ(killed.signal, SIGKILL);
    }
    corvale::LastRun::begin();
    EXPECT_TRUE(corvale::LastRun::endedBadly());
    corvale::LastRun::reset();
}

} // namespace
} // namespace skiro::test
