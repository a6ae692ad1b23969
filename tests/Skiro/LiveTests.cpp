#include "Skiro/Live.hpp"
#include "Skiro/TimeOfDay.hpp"

#include "CorvaleCore/Defaults.hpp"
#include "SkiroEngine/Identity.hpp"

#include "SkiroTap/LiveTap.hpp"
#include "Support/Shape.hpp"
#include "Support/TemporaryHome.hpp"

#include <gtest/gtest.h>

namespace skiro::test {
namespace {

using namespace std::chrono_literals;
using State = Live::State;

const std::string takenAway = "Accessibility was taken away. Scrolling is the system's.";

// A controller over a simulated system with a mouse, a real tap on its own thread, and
// settings in a temporary home; the test runs the main queue.
struct LiveTest : ::testing::Test {
    corvale::test::TemporaryHome home;
    corvale::test::ScopedIdentity identity{appIdentity()};
    LiveTap t;
    VirtualDevice& mouse = t.system.attach(DeviceDescription::wheelMouse());
    Settings settings{corvale::Defaults::standard()};
    std::shared_ptr<Live> live = Live::make(t.system, *t.tap, settings);
    int changes = 0;
    // What the last notice carried.
    std::optional<Live::Now> told;
    corvale::Subscription watching;

    LiveTest() {
        home.environment().set("LC_ALL", "C");
        watch();
    }

    void watch() {
        watching = live->subscribe([this](const Live::Now& now) {
            EXPECT_EQ(now, live->now()) << "told once the change is made";
            told = now;
            ++changes;
        });
    }

    // Until neither the tap thread nor the main queue has anything left that the other handed
    // it (a check started on the main queue is armed on the tap thread).
    void settle() {
        do {
            t.sync();
        } while (corvale::MainLoop::shared().drain() > 0);
    }
    void started(std::optional<Directions> directions = mouseStandard) {
        settings.update([&](Config& config) { config.directions = directions; });
        live->start();
        settle();
    }
    void scrolls(int count) {
        for (int i = 0; i < count; ++i) {
            t.system.post(mouse, Scroll{3, 0});
        }
        settle();
    }
    // Twelve timeouts in a row: four bursts of three, so the tap gives up.
    void timeOutUntilItGivesUp() {
        for (int i = 0; i < 12; ++i) {
            std::shared_ptr<TapCore> tap = t.platformTap();
            ASSERT_NE(tap, nullptr) << "timeout " << i;
            t.system.taps().switchOff(tap->id, SwitchOff::byTimeout);
            settle();
        }
    }
    // "yes, checked " and the time in the C locale's short form, "HH:MM".
    bool checkedJustNow() const {
        return corvale::test::hasShape(live->checkSummary(), "yes, checked ##:##");
    }
};

TEST_F(LiveTest, StartsWithThePermissionFeedsTheTapAndChecksWhenTheDirectionsChange) {
    started();
    EXPECT_EQ(live->state(), State::running);
    EXPECT_FALSE(live->isWaiting());
    EXPECT_EQ(t.system.simulatedPermissions().prompts(), 0);
    EXPECT_EQ(t.tap->settings(), (Turner::Settings{true, mouseStandard}));
    ASSERT_NE(t.checkTap(), nullptr) << "a start with directions checks";
    EXPECT_EQ(live->checkSummary(),
              "not checked yet (it runs after a start or a change, with directions set)");
    scrolls(10);
    EXPECT_EQ(live->checkSummary(), "not sure yet: 10 arrived as sent, 0 turned back");
    scrolls(20);
    EXPECT_TRUE(checkedJustNow()) << live->checkSummary();
    EXPECT_EQ(t.checkTap(), nullptr);

    // Only the logging switch changes: no new check, the verdict stands.
    const int before = changes;
    settings.update([](Config& config) { config.detailedLogging = true; });
    settle();
    EXPECT_GT(changes, before);
    EXPECT_EQ(t.checkTap(), nullptr);
    EXPECT_TRUE(checkedJustNow());

    // One direction changes: the tap has it at once, and a new check clears the verdict.
    Directions trackpadToo = mouseStandard;
    trackpadToo.trackpadHorizontal = Direction::standard;
    settings.update([&](Config& config) { config.directions = trackpadToo; });
    EXPECT_EQ(t.tap->settings(), (Turner::Settings{true, trackpadToo}));
    settle();
    EXPECT_NE(t.checkTap(), nullptr);
    EXPECT_FALSE(checkedJustNow());

    // No directions: nothing to check.
    scrolls(30);
    settings.update([](Config& config) { config.directions.reset(); });
    settle();
    EXPECT_EQ(t.checkTap(), nullptr);
    EXPECT_TRUE(checkedJustNow());
}

TEST_F(LiveTest, PausingKeepsTheTapAndResumingChecksAgain) {
    started();
    scrolls(30);
    ASSERT_TRUE(checkedJustNow());

    live->setPaused(true);
    EXPECT_TRUE(settings.config().paused);
    EXPECT_FALSE(t.tap->settings().active);
    settle();
    EXPECT_EQ(live->state(), State::paused);
    EXPECT_TRUE(t.tap->hasTap());
    EXPECT_EQ(t.checkTap(), nullptr);

    // The value it already has: nothing written, nothing logged.
    int assignments = -1; // the subscription hands over the current value first
    corvale::Subscription counting = settings.subscribe([&](const Config&) { ++assignments; });
    live->setPaused(true);
    EXPECT_EQ(assignments, 0);
    EXPECT_EQ(t.count("Paused.", "general"), 1u);

    live->setPaused(false);
    EXPECT_EQ(assignments, 1);
    EXPECT_TRUE(t.tap->settings().active);
    settle();
    EXPECT_EQ(live->state(), State::running);
    EXPECT_NE(t.checkTap(), nullptr) << "the same directions are checked again after a resume";
    EXPECT_FALSE(checkedJustNow());
    live->setPaused(false);
    EXPECT_EQ(assignments, 1);
    EXPECT_EQ(t.messages("general"), (std::vector<std::string>{"Paused.", "Resumed."}));
}

TEST_F(LiveTest, WithoutThePermissionItAsksOnceWaitsQuietlyAndThePollStartsTheTap) {
    t.system.setAccessibilityTrusted(false);
    started();
    EXPECT_EQ(t.system.simulatedPermissions().prompts(), 1);
    EXPECT_EQ(live->state(), State::waiting);
    EXPECT_TRUE(live->isWaiting());
    EXPECT_FALSE(t.tap->hasTap());
    EXPECT_TRUE(t.messages("general").empty());
    EXPECT_TRUE(t.messages("tap").empty());
    ASSERT_TRUE(told);
    EXPECT_TRUE(told->waiting);

    // Granted without any notice: only the poll can see it.
    t.system.simulatedPermissions().setTrusted(true);
    ASSERT_TRUE(
        corvale::MainLoop::shared().runUntil([&] { return live->state() == State::running; }, 5s));
    EXPECT_FALSE(live->isWaiting());
    EXPECT_FALSE(told->waiting);
    EXPECT_EQ(told->state, State::running);
    EXPECT_NE(t.checkTap(), nullptr);
    EXPECT_EQ(t.system.simulatedPermissions().prompts(), 1);
}

TEST_F(LiveTest, ThePermissionTakenAwayStopsTheTapUntilItIsGivenBack) {
    started();
    ASSERT_EQ(live->state(), State::running);
    ASSERT_FALSE(live->isWaiting());

    t.system.setAccessibilityTrusted(false);
    settle();
    EXPECT_EQ(live->state(), State::waiting);
    EXPECT_TRUE(live->isWaiting());
    ASSERT_TRUE(told);
    EXPECT_TRUE(told->waiting);
    EXPECT_EQ(t.platformTap(), nullptr);
    EXPECT_EQ(t.sentinelTap(), nullptr);
    EXPECT_EQ(t.count(takenAway, "general"), 1u);
    const PostResult untouched = t.system.post(mouse, Scroll{3, 0});
    ASSERT_TRUE(untouched.delivered);
    EXPECT_EQ(*untouched.delivered, untouched.made);

    t.system.setAccessibilityTrusted(true);
    settle();
    EXPECT_EQ(live->state(), State::running);
    EXPECT_FALSE(live->isWaiting());
    EXPECT_NE(t.checkTap(), nullptr) << "a fresh start checks again";
    const PostResult turned = t.system.post(mouse, Scroll{3, 0});
    ASSERT_TRUE(turned.delivered);
    EXPECT_NE(*turned.delivered, turned.made);
    EXPECT_EQ(t.count(takenAway, "general"), 1u);
}

TEST_F(LiveTest, FollowsTheSystemSettingAndCountsAMissingOneAsNatural) {
    t.system.setNaturalScrolling(false);
    EXPECT_TRUE(live->systemNatural()) << "read when it was made, when nothing was stored";
    live = Live::make(t.system, *t.tap, settings);
    watch();
    EXPECT_FALSE(live->systemNatural());
    started();

    // Unchanged: no line, no change.
    int before = changes;
    t.system.postDistributed(std::string(SimulatedSystem::naturalScrollingChanged));
    settle();
    EXPECT_EQ(changes, before);
    EXPECT_TRUE(t.messages("general").empty());

    // The value gone: natural.
    t.system.simulatedPreferences().store(std::string(SimulatedSystem::naturalScrollingKey),
                                          std::nullopt);
    t.system.postDistributed(std::string(SimulatedSystem::naturalScrollingChanged));
    settle();
    EXPECT_TRUE(live->systemNatural());
    EXPECT_EQ(changes, before + 1);

    // A wake reads it too.
    t.system.simulatedPreferences().store(std::string(SimulatedSystem::naturalScrollingKey),
                                          platform::PreferenceValue{false});
    t.system.sleepAndWake();
    settle();
    EXPECT_FALSE(live->systemNatural());
    EXPECT_EQ(t.messages("general"),
              (std::vector<std::string>{"Natural scrolling is on in System Settings.",
                                        "Natural scrolling is off in System Settings."}));
}

TEST_F(LiveTest, AChangeOfTheSystemSettingIsNotedInARunningRecording) {
    started();
    std::optional<std::optional<std::filesystem::path>> file;
    t.tap->recorder().record(5, Json::object(),
                             [&file](InputTap::Recorded recorded) { file = recorded.file; });
    t.system.setNaturalScrolling(false);
    settle();
    t.system.setNaturalScrolling(false); // unchanged: no note
    settle();
    ASSERT_EQ(t.timers.size(), 1u);
    t.timers[0].fire();
    t.sync();
    t.writes.sync([] {});

    ASSERT_TRUE(file && *file);
    const std::vector<Json> notes = ofKind(readRecording(**file), "system");
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0]["natural"], false);
    EXPECT_TRUE(notes[0].contains("at"));
    EXPECT_FALSE(notes[0].contains("t"));
}

TEST_F(LiveTest, WakeAndUnlockTurnASwitchedOffTapBackOn) {
    started();
    std::shared_ptr<TapCore> tap = t.platformTap();
    ASSERT_NE(tap, nullptr);
    t.system.taps().switchOff(tap->id, SwitchOff::silently);
    t.system.unlockScreen();
    settle();
    EXPECT_TRUE(tap->enabled.load());

    t.system.taps().switchOff(tap->id, SwitchOff::silently);
    t.system.sleepAndWake();
    settle();
    EXPECT_TRUE(tap->enabled.load());
    EXPECT_EQ(t.platformTap(), tap) << "the same tap, not a fresh one";
    EXPECT_EQ(t.count("The tap was off; back on.", "tap"), 2u);
    EXPECT_EQ(t.count("Woke from sleep.", "tap"), 1u);
}

TEST_F(LiveTest, AfterGivingUpOnlyStartAgainStartsTheTap) {
    started();
    timeOutUntilItGivesUp();
    ASSERT_TRUE(t.tap->gaveUp());
    EXPECT_EQ(live->state(), State::stopped);
    EXPECT_FALSE(live->isWaiting()) << "not waiting for the permission";

    t.system.sleepAndWake();
    t.system.postDistributed(std::string(SimulatedSystem::accessibilityChanged));
    t.system.unlockScreen();
    t.system.becomeActiveSession();
    settle();
    EXPECT_FALSE(t.tap->hasTap());
    EXPECT_EQ(live->state(), State::stopped);

    live->startAgain();
    EXPECT_EQ(live->state(), State::running);
    EXPECT_NE(t.checkTap(), nullptr);
    EXPECT_EQ(t.count("Started again.", "general"), 1u);
    live->startAgain();
    EXPECT_EQ(t.count("Started again.", "general"), 1u) << "nothing unless it gave up";

    // Given up again, and started again without the permission: it waits for it.
    timeOutUntilItGivesUp();
    ASSERT_EQ(live->state(), State::stopped);
    t.system.simulatedPermissions().setTrusted(false);
    live->startAgain();
    EXPECT_EQ(live->state(), State::waiting);
    EXPECT_TRUE(live->isWaiting());
    t.system.simulatedPermissions().setTrusted(true);
    EXPECT_TRUE(
        corvale::MainLoop::shared().runUntil([&] { return live->state() == State::running; }, 5s));
}

TEST_F(LiveTest, AnotherUsersSessionStopsTheTapUntilThisOneIsBack) {
    live->setPaused(true);
    started();
    const int before = changes;

    t.system.resignActiveSession();
    settle();
    EXPECT_EQ(changes, before + 1);
    EXPECT_TRUE(live->away());
    EXPECT_FALSE(t.tap->hasTap());
    EXPECT_EQ(live->state(), State::paused) << "standing aside is not waiting";

    // Nothing starts the tap while away.
    t.system.sleepAndWake();
    t.system.setAccessibilityTrusted(false);
    t.system.setAccessibilityTrusted(true);
    settle();
    EXPECT_FALSE(t.tap->hasTap());

    t.system.becomeActiveSession();
    settle();
    EXPECT_FALSE(live->away());
    EXPECT_TRUE(t.tap->hasTap());
    EXPECT_EQ(live->state(), State::paused);
    EXPECT_EQ(t.count("Another user's session is active: standing aside.", "tap"), 1u);
    EXPECT_EQ(t.count("This session is active again.", "tap"), 1u);
}

TEST_F(LiveTest, ScrollsTurnedBackNameWhoMayDoItUntilTheyArriveAsSent) {
    started();
    const std::uint32_t flipper = t.addFlipper();
    scrolls(5);
    ASSERT_TRUE(live->turnedBackBy());
    EXPECT_EQ(*live->turnedBackBy(), std::vector<std::string>{"Flipper"});
    EXPECT_EQ(live->checkSummary(), "no: Flipper is turning scrolling back.");
    ASSERT_TRUE(told);
    EXPECT_EQ(told->turnedBackBy, std::vector<std::string>{"Flipper"});
    EXPECT_EQ(t.messages("general", true),
              std::vector<std::string>{
                  "Scrolls come out turned back after Skiro. Apps that can change scrolling: "
                  "Flipper."});

    t.system.taps().removeTap(flipper);
    scrolls(5);
    EXPECT_FALSE(live->turnedBackBy());
    EXPECT_FALSE(told->turnedBackBy);
    EXPECT_TRUE(checkedJustNow());
    EXPECT_EQ(t.count("Scrolls arrive as Skiro sends them again.", "general"), 1u);
}

TEST_F(LiveTest, ScrollsTurnedBackWithNobodyFoundStillMeanTurnedBack) {
    started();
    t.addFlipper();
    t.system.taps().setListAvailable(false);
    scrolls(5);
    ASSERT_TRUE(live->turnedBackBy());
    EXPECT_TRUE(live->turnedBackBy()->empty());
    EXPECT_EQ(live->checkSummary(), "no: Another app is turning scrolling back.");
    EXPECT_EQ(t.count("Scrolls come out turned back after Skiro. Apps that can change "
                      "scrolling: none found.",
                      "general"),
              1u);
}

TEST(WordsTests, NameWhoIsTurningScrollingBack) {
    EXPECT_EQ(Words::turnedBack({}), "Another app is turning scrolling back.");
    EXPECT_EQ(Words::turnedBack({"A", "B"}), "Another app is turning scrolling back: A or B.");
    EXPECT_EQ(Words::turnedBack({"A", "B", "C"}),
              "Another app is turning scrolling back: A, B or C.");
}

TEST(TimeOfDayTests, TheLocalesTimeFormatWithoutSeconds) {
    EXPECT_EQ(shortTimeFormat("%H:%M:%S"), "%H:%M");
    EXPECT_EQ(shortTimeFormat("%T"), "%H:%M");
    EXPECT_EQ(shortTimeFormat("%r"), "%-I:%M %p");
    EXPECT_EQ(shortTimeFormat("%I:%M:%S %p"), "%-I:%M %p");
    EXPECT_EQ(shortTimeFormat("%p %I.%M.%S"), "%p %-I.%M");
    EXPECT_EQ(shortTimeFormat("%H時%M分%S秒"), "%H時%M分");
    EXPECT_EQ(shortTimeFormat("%H:%M:%OS %Z"), "%H:%M %Z");
    EXPECT_EQ(shortTimeFormat("%H h %M"), "%H h %M");
    EXPECT_EQ(shortTimeFormat("%%S %H:%M"), "%%S %H:%M");
}

TEST(TimeOfDayTests, InTheEnvironmentsZoneAndLocale) {
    corvale::test::ScopedEnvironment environment;
    environment.set("LC_ALL", "C");
    environment.set("TZ", "UTC0");
    // 2024-03-05 14:07:09 UTC
    const auto when = std::chrono::system_clock::from_time_t(1709647629);
    EXPECT_EQ(shortTimeOfDay(when), "14:07");
    environment.set("TZ", "XYZ-9");
    EXPECT_EQ(shortTimeOfDay(when), "23:07");
    environment.set("LC_ALL", "xx_NOWHERE.UTF-8");
    EXPECT_EQ(shortTimeOfDay(when), "23:07") << "a locale that is not installed reads as C";
}

} // namespace
} // namespace skiro::test
