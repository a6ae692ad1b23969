#include "Skiro/AppCommands.hpp"

#include "Corvale/CommandTesting.hpp"
#include "CorvaleCore/Defaults.hpp"
#include "CorvaleCore/Files.hpp"
#include "CorvaleCore/MainLoop.hpp"
#include "Platform/Simulated/SimulatedSystem.hpp"
#include "SkiroEngine/Identity.hpp"

#include "SkiroTap/LiveTap.hpp"
#include "Support/Framework.hpp"
#include "Support/TemporaryHome.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace skiro {
namespace {

namespace Commands = corvale::Commands;
using Commands::Reply;
using corvale::json::Json;
using platform::simulated::SimulatedSystem;

class AppCommandsTest : public ::testing::Test {
protected:
    AppCommandsTest() {
        live = Live::make(system, *tap, settings);
        AppCommands::add(context(), windows());
    }
    ~AppCommandsTest() override {
        tap->stop(false);
        corvale::MainLoop::shared().drain();
    }

    AppCommands::Context context() { return context(*tap); }
    AppCommands::Context context(InputTap& withTap) {
        return {.live = [this]() -> Live& { return *live; },
                .tap = [&withTap]() -> InputTap& { return withTap; },
                .settings = [this]() -> Settings& { return settings; },
                .system = [this]() -> platform::System& { return system; },
                .systemNatural = [this] { return systemNatural; }};
    }

    // Windows that note what they are asked to do.
    AppCommands::Windows windows() {
        const auto note = [this](std::string what) { opened.push_back(std::move(what)); };
        return {.settingsPanes = {"general", "scrolling", "about"},
                .showSettings = [=](std::size_t pane) { note(std::to_string(pane)); },
                .showWelcome = [=] { note("welcome"); },
                .snapshot =
                    [=](const std::filesystem::path&) {
                        note("snapshot");
                        return std::vector<std::filesystem::path>{};
                    },
                .closeAll = [=] { note("close"); },
                .listening = [] { return std::optional<AppCommands::ListeningTest>(); },
                .switchAxis = [=](Axis axis) { note(std::string(toString(axis))); }};
    }

    Reply run(const std::string& name, Commands::Arguments arguments = {}) {
        std::optional<Reply> answer;
        Commands::run(name, std::move(arguments), {}, [&](Reply reply) { answer = reply; });
        EXPECT_TRUE(answer) << name << " gave no answer at once";
        return answer.value_or(Reply::failure("no answer"));
    }

    static Directions ways(Direction trackpadVertical, Direction trackpadHorizontal,
                           Direction mouseVertical, Direction mouseHorizontal) {
        return {trackpadVertical, trackpadHorizontal, mouseVertical, mouseHorizontal};
    }

    static constexpr Direction natural = Direction::natural;
    static constexpr Direction standard = Direction::standard;

    corvale::test::TemporaryHome home;
    corvale::test::ScopedIdentity identity{appIdentity()};
    corvale::test::ScopedCommands commands;
    // Recordings end when the test fires the tap's timers.
    test::LiveTap t;
    SimulatedSystem& system = t.system;
    std::shared_ptr<InputTap>& tap = t.tap;
    std::vector<test::LiveTap::Timer>& timers = t.timers;
    Settings settings;
    std::shared_ptr<Live> live;
    // What the context says of the system's own direction.
    bool systemNatural = true;
    std::vector<std::string> opened;
};

TEST_F(AppCommandsTest, RegistersInOrderWithoutReachingTheApplication) {
    Commands::reset();
    // Registering happens in every process, clients too: nothing may be made for it.
    AppCommands::Context untouched{
        .live = []() -> Live& { throw std::logic_error("the controller was reached"); },
        .tap = []() -> InputTap& { throw std::logic_error("the tap was reached"); },
        .settings = []() -> Settings& { throw std::logic_error("the settings were reached"); },
        .system = []() -> platform::System& { throw std::logic_error("the system was reached"); },
        .systemNatural = []() -> bool { throw std::logic_error("the system was reached"); },
    };
    AppCommands::add(untouched, windows());

    std::vector<std::string> names;
    std::vector<std::string> unlisted;
    std::vector<std::string> launching;
    for (const Commands::Command& command : Commands::all()) {
        (command.listed ? names : unlisted).push_back(command.name);
        if (command.launches) {
            launching.push_back(command.name);
        }
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"state", "log", "diagnostics", "update", "whats-new",
                                        "crash-note", "pause", "resume", "settings", "welcome",
                                        "set", "export", "import", "record", "probe", "snapshot"}));
    EXPECT_EQ(unlisted, (std::vector<std::string>{"test-axis", "close-windows", "test-stall"}));
    EXPECT_EQ(launching, (std::vector<std::string>{"update", "whats-new", "crash-note", "settings",
                                                   "welcome"}));
    EXPECT_TRUE(opened.empty());
}

TEST_F(AppCommandsTest, WindowCommandsOpenTheNamedPaneAndTestOnesNeedTheHooks) {
    for (const Commands::Arguments& arguments : std::vector<Commands::Arguments>{
             {}, {"about"}, {"ABOUT"}, {"Scrolling", "extra"}, {"nowhere"}}) {
        EXPECT_EQ(run("settings", arguments), Reply::ok(""));
    }
    EXPECT_EQ(run("welcome"), Reply::ok(""));
    EXPECT_EQ(run("close-windows"), Reply::ok(""));
    EXPECT_EQ(run("test-axis", {"horizontal"}), Reply::ok(""));
    EXPECT_EQ(run("test-axis", {"sideways"}), Reply::ok(""));
    EXPECT_EQ(run("test-axis"), Reply::failure("Usage: skiro test-axis <vertical|horizontal>"));
    // Nothing is drawn where the snapshots cannot go.
    std::filesystem::remove_all(home.cache());
    std::ofstream(home.cache()) << "not a folder";
    EXPECT_TRUE(run("snapshot").text.starts_with("Couldn't draw the snapshots: "));
    EXPECT_EQ(opened, (std::vector<std::string>{"0", "2", "2", "1", "0", "welcome", "close",
                                                "horizontal"}));

    // A process without test hooks refuses them and touches nothing.
    opened.clear();
    test::LiveTap withoutHooks(false);
    Commands::reset();
    AppCommands::add(context(*withoutHooks.tap), windows());
    for (const char* name : {"close-windows", "test-axis", "test-stall"}) {
        EXPECT_EQ(run(name, {"vertical"}), Reply::failure("Not available.")) << name;
    }
    EXPECT_TRUE(opened.empty());
}

TEST_F(AppCommandsTest, SetRefusesAnythingElseAndChangesNothing) {
    ASSERT_EQ(run("set", {"mouse", "vertical", "standard"}), Reply::ok(""));
    const std::optional<std::string> stored = corvale::Defaults::standard().data("config");
    ASSERT_TRUE(stored);
    const Reply usage = Reply::failure("Usage: skiro set <trackpad|mouse> "
                                       "<vertical|horizontal|both> <natural|standard>, or skiro "
                                       "set all system");
    for (const Commands::Arguments& arguments :
         std::vector<Commands::Arguments>{{},
                                          {"mouse"},
                                          {"mouse", "both"},
                                          {"all", "works"},
                                          {"all", "system", "now"},
                                          {"mouse", "both", "standard", "please"},
                                          {"pen", "both", "standard"},
                                          {"mouse", "diagonal", "standard"},
                                          {"mouse", "both", "backwards"},
                                          {"both", "mouse", "standard"}}) {
        EXPECT_EQ(run("set", arguments), usage) << ::testing::PrintToString(arguments);
    }
    EXPECT_EQ(settings.config().directions, ways(natural, natural, standard, natural));
    EXPECT_EQ(corvale::Defaults::standard().data("config"), stored);

    // The first choice after following the system keeps the system's way, as the entry tells
    // it, for the other three.
    ASSERT_EQ(run("set", {"all", "system"}), Reply::ok(""));
    systemNatural = false;
    ASSERT_EQ(run("set", {"trackpad", "horizontal", "natural"}), Reply::ok(""));
    EXPECT_EQ(settings.config().directions, ways(standard, natural, standard, standard));
}

TEST_F(AppCommandsTest, TestStallKeepsTheWholeNumbersAndStallsThatManyScrolls) {
    const Reply usage = Reply::failure("skiro test-stall <milliseconds> <count>");
    EXPECT_EQ(run("test-stall", {"50"}), usage);
    EXPECT_EQ(run("test-stall", {"50", "3", "1"}), usage);
    EXPECT_EQ(run("test-stall", {"50", "3.5"}), usage);
    EXPECT_EQ(run("test-stall", {"99999999999999999999", "3"}), usage);
    EXPECT_EQ(run("test-stall", {"50", "x", "3"}), Reply::ok(""));

    // Each stalled scroll holds the tap for its milliseconds, on the simulated clock.
    auto& mouse = system.attach(platform::simulated::DeviceDescription::wheelMouse());
    ASSERT_TRUE(tap->start());
    const std::uint64_t before = system.clock().uptimeNanoseconds();
    for (const auto& step : platform::simulated::gestures::wheelSteps(5, 1)) {
        system.post(mouse, step);
    }
    const auto stalled = std::chrono::nanoseconds(system.clock().uptimeNanoseconds() - before);
    EXPECT_EQ(stalled, std::chrono::milliseconds(150));
}

TEST_F(AppCommandsTest, StateFollowsTheTapAndTheSettings) {
    ASSERT_TRUE(tap->start());
    tap->updateStats([](InputTap::Stats& stats) {
        stats.scrolls = 7;
        stats.mouseTurned = 2;
        stats.disabledByUserInput = 1;
        stats.checking = true;
        stats.startsFromHID = 4;
    });
    settings.update([](Config& config) { config.directions = Directions::system(false); });
    Json state = AppCommands::state(context());
    EXPECT_EQ(state["tapEnabled"], true);
    EXPECT_EQ(state["scrolls"], 7);
    EXPECT_EQ(state["turnedByDevice"]["mouse"], 2);
    EXPECT_EQ(state["tapTurnedOff"], Json({{"timeout", 0}, {"bySystem", 1}}));
    EXPECT_EQ(state["check"]["seenArrive"], true);
    EXPECT_EQ(state["cost"]["scrollStarts"]["fromHID"], 4);
    EXPECT_EQ(state["directions"], Json({{"trackpadVertical", "standard"},
                                         {"trackpadHorizontal", "standard"},
                                         {"mouseVertical", "standard"},
                                         {"mouseHorizontal", "standard"}}));

    // Switched off by the system without a word: the tap is still there, but not enabled.
    auto main = system.taps().tapOfThisProcess(platform::TapLocation::hid,
                                               platform::TapOptions::defaultTap);
    ASSERT_TRUE(main);
    system.taps().switchOff(*main, platform::simulated::SwitchOff::silently);
    state = AppCommands::state(context());
    EXPECT_EQ(state["tap"], "hid");
    EXPECT_EQ(state["tapEnabled"], false);
}

TEST_F(AppCommandsTest, RecordTakesOneToOneHundredTwentySecondsAndNeedsTheTap) {
    const Reply length = Reply::failure("Record for 1 to 120 seconds.");
    for (const char* seconds : {"0", "-2", "121", "120.5", "nan", "inf", "-inf", "1e400"}) {
        EXPECT_EQ(run("record", {seconds}), length) << seconds;
    }
    EXPECT_EQ(run("record"), Reply::failure("Skiro is waiting for Accessibility."));
    EXPECT_EQ(run("record", {"5"}), Reply::failure("Skiro is waiting for Accessibility."));
    EXPECT_TRUE(timers.empty()) << "nothing recorded before the checks pass";

    ASSERT_TRUE(tap->start());
    using std::chrono::milliseconds;
    const std::vector<std::pair<Commands::Arguments, milliseconds>> lengths{
        {{}, milliseconds(10'000)},         {{"abc"}, milliseconds(10'000)},
        {{"0.5"}, milliseconds(500)},       {{"120"}, milliseconds(120'000)},
        {{"+2.5e1"}, milliseconds(25'000)}, {{"7", "extra"}, milliseconds(7'000)},
        {{" 3"}, milliseconds(10'000)},
    };
    for (const auto& [arguments, delay] : lengths) {
        std::optional<Reply> answer;
        Commands::run("record", arguments, {}, [&](Reply reply) { answer = reply; });
        EXPECT_FALSE(answer) << "answered when the recording is written";
        ASSERT_FALSE(timers.empty());
        EXPECT_EQ(timers.back().delay, delay) << ::testing::PrintToString(arguments);
    }
}

TEST_F(AppCommandsTest, RecordAnswersWithTheFileWhoseHeaderSaysHowThingsStood) {
    system.simulatedFacts().set("Version 14.5 (Build 23F79)", "Mac14,2", "Apple M2");
    settings.update([](Config& config) {
        config.paused = true;
        config.directions = Directions::system(false);
    });
    ASSERT_TRUE(tap->start());
    auto finish = [&](const Commands::Arguments& arguments) {
        std::optional<Reply> answer;
        Commands::run("record", arguments, {}, [&](Reply reply) { answer = reply; });
        EXPECT_EQ(timers.size(), 1u);
        timers.back().fire();
        timers.clear();
        EXPECT_TRUE(corvale::MainLoop::shared().runUntil([&] { return answer.has_value(); }));
        return answer.value_or(Reply::failure("no answer"));
    };

    const Reply written = finish({"1"});
    ASSERT_EQ(written.kind, Reply::Kind::ok) << written.text;
    const std::vector<Json> lines = test::readRecording(written.path());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines.front(), Json({{"kind", "header"},
                                   {"systemNatural", true},
                                   {"tap", "hid"},
                                   {"paused", true},
                                   {"directions", AppCommands::directions(settings.config())},
                                   {"macOS", "Version 14.5 (Build 23F79)"},
                                   {"version", appIdentity().version()}}));
    EXPECT_EQ(lines.back()["kind"], "senders");

    // Two overlapping recordings: the first was replaced, which is no failure to write.
    std::optional<Reply> first;
    std::optional<Reply> second;
    Commands::run("record", {"5"}, {}, [&](Reply reply) { first = reply; });
    Commands::run("record", {"5"}, {}, [&](Reply reply) { second = reply; });
    ASSERT_EQ(timers.size(), 2u);
    timers[0].fire();
    timers[1].fire();
    timers.clear();
    ASSERT_TRUE(corvale::MainLoop::shared().runUntil([&] { return first && second; }));
    EXPECT_EQ(*first, Reply::failure("Another recording replaced this one."));
    EXPECT_EQ(second->kind, Reply::Kind::ok);

    std::filesystem::remove_all(home.cache());
    std::ofstream(home.cache()) << "not a folder";
    EXPECT_EQ(finish({}), Reply::failure("Couldn't write the recording."));
}

TEST_F(AppCommandsTest, ProbeWritesItsFindingsToTheCacheFolder) {
    const Reply reply = run("probe");
    EXPECT_EQ(reply, Reply::file(home.cache() / "Skiro" / "probe.json"));
    const std::string text = corvale::readFile(reply.path()).value_or("");
    const Json probe = corvale::json::parse(text);
    EXPECT_EQ(text, corvale::json::encodePretty(probe)) << "indented, keys sorted";

    std::filesystem::remove_all(home.cache());
    std::ofstream(home.cache()) << "not a folder";
    EXPECT_EQ(run("probe"), Reply::failure("Couldn't write the probe."));
}

} // namespace
} // namespace skiro
