#include "Platform/Simulated/SimulatedSystem.hpp"
#include "Skiro/Tap/Accessibility.hpp"
#include "Skiro/Tap/OtherTaps.hpp"
#include "Skiro/Tap/SystemScrolling.hpp"

#include <gtest/gtest.h>

namespace skiro {
namespace {

using namespace platform;
using namespace platform::simulated;

constexpr EventMask scrolls = eventMaskBit(EventType::scrollWheel);

TEST(SystemScrollingTests, ReadsTheBooleanAndCountsAnythingElseAsNatural) {
    SimulatedSystem system;
    SimulatedPreferences& preferences = system.simulatedPreferences();
    const std::string key(SimulatedSystem::naturalScrollingKey);

    system.setNaturalScrolling(false);
    EXPECT_FALSE(SystemScrolling::natural(system));
    system.setNaturalScrolling(true);
    EXPECT_TRUE(SystemScrolling::natural(system));

    // Written by the system after this process cached the domain: the read synchronizes.
    const int before = preferences.synchronizations();
    preferences.store(key, false);
    EXPECT_FALSE(SystemScrolling::natural(system));
    EXPECT_GT(preferences.synchronizations(), before);

    // Missing, a number, text: natural.
    for (std::optional<PreferenceValue> odd :
         {std::optional<PreferenceValue>{}, std::optional<PreferenceValue>{std::int64_t{0}},
          std::optional<PreferenceValue>{std::string("false")}}) {
        preferences.store(key, odd);
        EXPECT_TRUE(SystemScrolling::natural(system));
    }
}

TEST(AccessibilityTests, TrialTapNeedsTheTrustAndLeavesNothingBehind) {
    SimulatedSystem system;
    EXPECT_TRUE(Accessibility::canTap(system.eventTaps()));
    EXPECT_TRUE(system.taps().tapsOfThisProcess().empty()) << "the trial tap is gone";

    // The HID level refused: the session's will do.
    system.taps().setRefused(TapLocation::hid, true);
    EXPECT_TRUE(Accessibility::canTap(system.eventTaps()));
    system.taps().setRefused(TapLocation::session, true);
    EXPECT_FALSE(Accessibility::canTap(system.eventTaps()));
    system.taps().setRefused(TapLocation::hid, false);
    system.taps().setRefused(TapLocation::session, false);

    // Listening alone is not enough: the trial tap is an active one.
    system.setAccessibilityTrusted(false);
    system.simulatedPermissions().setListenAccess(true);
    EXPECT_FALSE(Accessibility::canTap(system.eventTaps()));
    EXPECT_TRUE(system.taps().tapsOfThisProcess().empty());
}

TEST(AccessibilityTests, OpensThePageTheSystemNames) {
    SimulatedSystem system;
    Accessibility::openSettings(system);
    EXPECT_EQ(system.simulatedWorkspace().openedURLs(),
              std::vector<std::string>{std::string(system.names().accessibilitySettings)});
}

struct OtherTapsTest : ::testing::Test {
    SimulatedSystem system;
    std::vector<std::string> changers() {
        return OtherTaps::scrollChangers(system.eventTaps(), system.runningApplications());
    }
    std::uint32_t addTap(std::int32_t process, TapOptions options, EventMask mask = scrolls,
                         TapLocation location = TapLocation::session) {
        return system.taps().addOtherTap(process, location, TapPlacement::tailAppend, options, mask,
                                         otherTap::passThrough());
    }
};

TEST_F(OtherTapsTest, ListsActiveScrollTapsOfOtherProcessesOnceInTapOrder) {
    EXPECT_TRUE(changers().empty()) << "no taps at all";

    const std::int32_t flipper = system.applications().launch("Flipper");
    const std::int32_t keys = system.applications().launch("Keys");
    const std::int32_t early = system.applications().launch("Early");
    addTap(flipper, TapOptions::listenOnly);
    addTap(flipper, TapOptions::listenOnly);
    addTap(flipper, TapOptions::defaultTap);
    // Keys only: cannot change scrolls.
    addTap(keys, TapOptions::defaultTap, eventMaskBit(EventType::keyDown));
    // Listed before the session's taps, and counted though switched off.
    system.taps().switchOff(addTap(early, TapOptions::defaultTap, scrolls, TapLocation::hid),
                            SwitchOff::silently);
    addTap(flipper, TapOptions::defaultTap, scrolls | eventMaskBit(EventType::keyDown));
    EXPECT_EQ(changers(), (std::vector<std::string>{"Early", "Flipper"}));

    // This process's own active tap is never named.
    addTap(system.runningApplications().currentProcessIdentifier(), TapOptions::defaultTap);
    EXPECT_EQ(changers(), (std::vector<std::string>{"Early", "Flipper"}));
}

TEST_F(OtherTapsTest, NamelessProcessesAreOneBackgroundProcess) {
    addTap(system.applications().launch(std::nullopt), TapOptions::defaultTap);
    addTap(system.applications().launch(std::string()), TapOptions::defaultTap);
    addTap(4242, TapOptions::defaultTap); // no such application
    EXPECT_EQ(changers(), std::vector<std::string>{"a background process"});
}

TEST_F(OtherTapsTest, AnUnavailableListIsEmpty) {
    addTap(system.applications().launch("Flipper"), TapOptions::defaultTap);
    system.taps().setListAvailable(false);
    EXPECT_TRUE(changers().empty());
}

} // namespace
} // namespace skiro
