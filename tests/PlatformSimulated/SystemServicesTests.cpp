// The rest of the simulated system: the natural-scrolling preference and its announcement,
// notifications, the clock and the machine's facts.
#include "Platform/Simulated/SimulatedSystem.hpp"

#include <sys/utsname.h>

#include <gtest/gtest.h>

namespace platform::simulated {
namespace {

using namespace std::chrono_literals;

const std::string key(SimulatedSystem::naturalScrollingKey);

TEST(SystemPreferences, TheProcessReadsWhatItLastSynchronized) {
    SimulatedSystem system;
    Preferences& preferences = system.preferences();
    std::vector<std::string> announced;
    system.distributedNotifications().addObserver(
        std::string(SimulatedSystem::naturalScrollingChanged),
        [&](const std::string& name) { announced.push_back(name); });

    EXPECT_EQ(preferences.copyAnyApplicationValue(key), PreferenceValue{true});
    system.setNaturalScrolling(false);
    EXPECT_EQ(announced.size(), 1u);
    EXPECT_FALSE(system.naturalScrolling()) << "the system applies the new setting at once";
    EXPECT_EQ(preferences.copyAnyApplicationValue(key), PreferenceValue{true})
        << "this process still reads its cached copy";
    EXPECT_TRUE(preferences.synchronizeAnyApplication());
    EXPECT_EQ(preferences.copyAnyApplicationValue(key), PreferenceValue{false});

    system.simulatedPreferences().setSynchronizeFails(true);
    system.setNaturalScrolling(true);
    EXPECT_FALSE(preferences.synchronizeAnyApplication());
    EXPECT_EQ(preferences.copyAnyApplicationValue(key), PreferenceValue{false});
}

TEST(SystemNotifications, SessionPowerAndUnlockAreAnnounced) {
    SimulatedSystem system;
    std::vector<std::string> heard;
    auto note = [&](const std::string& name) { heard.push_back(name); };
    NotificationCenter& workspace = system.workspace().notifications();
    for (std::string_view name : {workspace::didWake, workspace::sessionDidResignActive,
                                  workspace::sessionDidBecomeActive}) {
        workspace.addObserver(std::string(name), note);
    }
    auto unlock = system.distributedNotifications().addObserver(
        std::string(SimulatedSystem::screenUnlocked), note);

    system.sleepAndWake();
    system.resignActiveSession();
    system.becomeActiveSession();
    system.unlockScreen();
    EXPECT_EQ(heard, (std::vector<std::string>{std::string(workspace::didWake),
                                               std::string(workspace::sessionDidResignActive),
                                               std::string(workspace::sessionDidBecomeActive),
                                               std::string(SimulatedSystem::screenUnlocked)}));

    system.distributedNotifications().removeObserver(unlock);
    system.unlockScreen();
    EXPECT_EQ(heard.size(), 4u);

    EXPECT_TRUE(system.workspace().openURL(
        "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility"));
    EXPECT_FALSE(system.workspace().openURL("no scheme"));
    EXPECT_EQ(system.simulatedWorkspace().openedURLs().size(), 1u);
}

TEST(SystemClock, MovesOnlyWhenToldUnlessReal) {
    SimulatedSystem system;
    Clock& clock = system.clock();
    std::uint64_t start = clock.uptimeNanoseconds();
    EXPECT_EQ(clock.uptimeNanoseconds(), start);

    clock.sleep(11s);
    EXPECT_EQ(clock.uptimeNanoseconds(), start + 11'000'000'000);
    EXPECT_DOUBLE_EQ(clock.systemUptime(), static_cast<double>(start + 11'000'000'000) / 1e9);

    SimulatedClock real(true);
    std::uint64_t first = real.uptimeNanoseconds();
    while (real.uptimeNanoseconds() == first) {
    }
    EXPECT_GT(real.uptimeNanoseconds(), first);
}

TEST(SystemFacts, TheHost) {
    SimulatedSystem system;
    // The host's own facts: the version string keeps the shape that diagnostics rewrite, the
    // processor kind is the architecture the kernel names.
    SystemFacts& facts = system.facts();
    EXPECT_TRUE(facts.operatingSystemVersionString().starts_with("Version"));
    EXPECT_EQ(facts.operatingSystemVersionString().find(facts.systemName()), std::string::npos)
        << "the name stands in for \"Version\", it is not part of the version";
    struct utsname host {};
    ASSERT_EQ(::uname(&host), 0);
    EXPECT_EQ(facts.processorKind(), host.machine);
}

} // namespace
} // namespace platform::simulated
