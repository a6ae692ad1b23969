#include "Skiro/DiagnosticsReport.hpp"

#include "Corvale/Diagnostics.hpp"
#include "SkiroEngine/Identity.hpp"

#include "Support/Framework.hpp"

#include <gtest/gtest.h>

namespace skiro {
namespace {

using namespace std::chrono;
using namespace std::chrono_literals;
using DiagnosticsReport::Inputs;

const system_clock::time_point launched = sys_days(year(2026) / March / 2) + 9h;

class DiagnosticsReportTest : public ::testing::Test {
protected:
    DiagnosticsReportTest() {
        inputs.state = Live::State::running;
        inputs.systemNatural = true;
        inputs.checkSummary = "not checked yet";
        inputs.tapLocation = "hid";
        inputs.tapEnabled = true;
        inputs.hidFunctionsFound = true;
        inputs.stats.since = launched;
        inputs.now = launched + 2h + 5min + 30s;
    }

    corvale::test::ScopedIdentity identity{appIdentity()};
    Inputs inputs;
};

TEST_F(DiagnosticsReportTest, NothingScrolledStillGivesTheSixStandingLinesAndAFailureItsOwn) {
    EXPECT_EQ(DiagnosticsReport::scrolling(inputs),
              (std::vector<std::string>{
                  "Directions: following System Settings (none chosen yet).",
                  "Over the last 2 hours, 5 minutes (since Skiro started): 0 scrolls, 0 turned.",
                  "Trackpad: 0 (0 turned). Mouse: 0 (0 turned), of them posted by another app: 0.",
                  "Apps get scrolls as Skiro sends them: not checked yet.",
                  "The tap: turned off by macOS 0 times for being slow and 0 times by the system; "
                  "found off and turned back on 0 times; made afresh 0 times.",
                  "Each scroll took 0.0 µs on average, 0.0 µs at most; none yet.",
              }));

    // A read-back failure adds its line, naming the last one or a question mark.
    inputs.stats.readBackFailures = 1;
    std::vector<std::string> lines = DiagnosticsReport::scrolling(inputs);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[5], "Turned scrolls that read back wrong: 1 (the last: ?).");
    inputs.stats.lastReadBackFailure = "horizontal field 96 read 0";
    EXPECT_EQ(DiagnosticsReport::scrolling(inputs)[5],
              "Turned scrolls that read back wrong: 1 (the last: horizontal field 96 read 0).");
}

TEST_F(DiagnosticsReportTest, EveryLineOfABusyAccountWithCountsGroupedByTheLocale) {
    inputs.numbers = {",", "\3"};
    inputs.config.directions = Directions();
    inputs.config.directions->trackpadHorizontal = Direction::standard;
    inputs.config.directions->mouseVertical = Direction::natural;
    inputs.now = launched + 26h + 59s;
    InputTap::Stats& s = inputs.stats;
    s.scrolls = 12345;
    s.passed = 1001;
    s.turned = 11344;
    s.trackpad = 10000;
    s.trackpadTurned = 9000;
    s.mouse = 2345;
    s.mouseTurned = 2344;
    s.posted = 7;
    s.unknownSenders = 2;
    s.disabledByTimeout = 3;
    s.disabledByUserInput = 1;
    s.revived = 1;
    s.restarts = 1200;
    s.readBackFailures = 4;
    s.lastReadBackFailure = "vertical 3 became -3";
    s.full.add(1000);
    s.full.add(1500);
    s.full.add(1000);
    s.starts.add(30'000);
    s.starts.add(1'250'000);
    s.startsFromHID = 1;
    s.startsFromAppKit = 1;
    s.fast.add(149);

    EXPECT_EQ(
        DiagnosticsReport::scrolling(inputs),
        (std::vector<std::string>{
            "Directions: trackpad up and down natural, left and right standard; mouse up and down "
            "natural, left and right standard.",
            "Over the last 1 day, 2 hours (since Skiro started): 12,345 scrolls, 11,344 turned.",
            "Let through untouched, with nothing to turn: 1,001.",
            "Trackpad: 10,000 (9,000 turned). Mouse: 2,345 (2,344 turned), of them posted by "
            "another app: 7.",
            "Devices the registry didn't know, told apart by their scrolls' shape: 2.",
            "Apps get scrolls as Skiro sends them: not checked yet.",
            "The tap: turned off by macOS 3 times for being slow and 1 times by the system; found "
            "off and turned back on 1 times; made afresh 1,200 times.",
            "Turned scrolls that read back wrong: 4 (the last: vertical 3 became -3).",
            // 3500 ns over 3 scrolls is 1166 ns in whole nanoseconds.
            "Each scroll took 1.2 µs on average, 1.5 µs at most; under 10 µs: 3.",
            "Reading the system's direction as a scroll starts: 640.0 µs on average, 1250.0 µs at "
            "most; from the HID event 1 times, from AppKit 1.",
            "Letting a scroll through untouched: 0.1 µs on average, 0.1 µs at most.",
        }));
}

TEST_F(DiagnosticsReportTest, ATapThatGaveUpSaysSoInTheStatusTheSetUpAndTheAccount) {
    inputs.state = Live::State::stopped;
    inputs.gaveUp = true;
    inputs.tapLocation.reset();
    inputs.tapEnabled = false;
    inputs.stats.disabledByTimeout = 5;
    inputs.stats.restarts = 2;
    corvale::Diagnostics::Contribution made = DiagnosticsReport::contribution(inputs);
    EXPECT_EQ(made.status, "stopped: its tap kept timing out");
    EXPECT_EQ(made.setup[1], "Scroll tap: none");
    EXPECT_EQ(DiagnosticsReport::scrolling(inputs)[4],
              "The tap: turned off by macOS 5 times for being slow and 0 times by the system; "
              "found off and turned back on 0 times; made afresh 2 times. Stopped: it kept "
              "timing out.");
}

TEST_F(DiagnosticsReportTest, StatusAndSetUpFollowTheControllerAndTheTap) {
    EXPECT_EQ(DiagnosticsReport::status(Live::State::waiting), "waiting for Accessibility");

    // Switched off by the system at the HID level.
    inputs.tapEnabled = false;
    EXPECT_EQ(DiagnosticsReport::setup(inputs)[1], "Scroll tap: at the HID level, off");
    // Any other place is the session's head.
    inputs.tapLocation = "session";
    inputs.tapEnabled = true;
    inputs.systemNatural = false;
    inputs.hidFunctionsFound = false;
    inputs.away = true;
    EXPECT_EQ(
        DiagnosticsReport::setup(inputs),
        (std::vector<std::string>{
            "Natural scrolling in System Settings: off", "Scroll tap: at the session's head, on",
            "HID functions: missing (devices can't be told apart; Safari may bounce)",
            "Another user's session is in front: Skiro is standing aside"}));
}

} // namespace
} // namespace skiro
