#include "Corvale/Hotkeys.hpp"

#include "Platform/Simulated/SimulatedSystem.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace corvale {
namespace {

using platform::HotKeyID;
using platform::simulated::SimulatedHotKeys;
using Press = SimulatedHotKeys::Press;

const KeyCombo openKeys(31, KeyCombo::command | KeyCombo::option);  // ⌥⌘O
const KeyCombo pauseKeys(35, KeyCombo::control | KeyCombo::option); // ⌃⌥P
const KeyCombo quitKeys(12, KeyCombo::control | KeyCombo::command); // ⌃⌘Q

class HotkeysTest : public ::testing::Test {
protected:
    HotkeysTest() {
        hotkeys.setHandler([this](const std::string& name) { fired.push_back(name); });
    }

    Press press(const KeyCombo& combo) { return keys.press(combo.keyCode, combo.modifiers); }
    bool isRegistered(const KeyCombo& combo) const {
        return keys.isRegistered(combo.keyCode, combo.modifiers);
    }

    platform::simulated::SimulatedSystem system;
    SimulatedHotKeys& keys = system.simulatedHotKeys();
    Hotkeys hotkeys{system.hotKeys()};
    std::vector<std::string> fired;
};

TEST_F(HotkeysTest, ABoundComboReportsItsNameWhenPressed) {
    EXPECT_FALSE(hotkeys.isInstalled());
    EXPECT_EQ(keys.handlerCount(), 0u);

    hotkeys.registerBindings({{"open", {openKeys}}, {"pause", {pauseKeys}}});
    EXPECT_TRUE(hotkeys.isInstalled());
    EXPECT_EQ(keys.handlerCount(), 1u);
    EXPECT_TRUE(hotkeys.taken().empty());

    // Names in ascending order, each registered with the signature "CRVL" and a fresh ID.
    std::vector<SimulatedHotKeys::Registered> registered = keys.registered();
    ASSERT_EQ(registered.size(), 2u);
    EXPECT_EQ(registered[0].keyCode, openKeys.keyCode);
    EXPECT_EQ(registered[1].id, (HotKeyID{0x4352564C, 2}));

    EXPECT_EQ(press(pauseKeys), Press::handled);
    EXPECT_EQ(press(openKeys), Press::handled);
    EXPECT_EQ(fired, (std::vector<std::string>{"pause", "open"}));
    // A combination nobody registered is just typing.
    EXPECT_EQ(press(quitKeys), Press::unregistered);
    EXPECT_EQ(fired.size(), 2u);
}

TEST_F(HotkeysTest, TwoNamesOnOneComboGiveItToTheNameThatSortsFirst) {
    std::vector<std::set<KeyCombo>> published;
    Subscription subscription = hotkeys.subscribeTaken(
        [&](const std::set<KeyCombo>& taken) { published.push_back(taken); });

    // One name may have several combos.
    hotkeys.registerBindings(
        {{"zoom", {openKeys}}, {"open", {openKeys}}, {"pause", {pauseKeys, quitKeys}}});
    EXPECT_EQ(hotkeys.taken(), (std::set<KeyCombo>{openKeys}));
    EXPECT_EQ(published, (std::vector<std::set<KeyCombo>>{{openKeys}}));
    press(openKeys);
    press(quitKeys);
    EXPECT_EQ(fired, (std::vector<std::string>{"open", "pause"}));
    // The refused combination still used up an ID.
    EXPECT_EQ(hotkeys.nextID(), 5u);
}

TEST_F(HotkeysTest, RegisteringAgainReplacesEveryBoundHotKeyWithFreshIDs) {
    hotkeys.registerBindings({{"open", {openKeys}}, {"pause", {pauseKeys}}});
    hotkeys.registerBindings({{"pause", {quitKeys}}});
    EXPECT_FALSE(isRegistered(openKeys));
    EXPECT_FALSE(isRegistered(pauseKeys));
    ASSERT_EQ(keys.registered().size(), 1u);
    EXPECT_EQ(keys.registered()[0].id.id, 3u);
    EXPECT_EQ(press(openKeys), Press::unregistered);
    press(quitKeys);
    EXPECT_EQ(fired, (std::vector<std::string>{"pause"}));

    // A press that arrives for a retired ID finds nothing.
    hotkeys.fire(1);
    EXPECT_EQ(fired.size(), 1u);
}

TEST_F(HotkeysTest, RegisteringWhileSuspendedOnlyStoresTheBindings) {
    hotkeys.registerBindings({{"open", {openKeys}}});
    hotkeys.suspend();
    EXPECT_TRUE(keys.registered().empty());
    ASSERT_TRUE(keys.registerElsewhere(pauseKeys.keyCode, pauseKeys.modifiers));

    std::vector<std::set<KeyCombo>> published;
    Subscription subscription = hotkeys.subscribeTaken(
        [&](const std::set<KeyCombo>& taken) { published.push_back(taken); });
    hotkeys.registerBindings({{"pause", {pauseKeys}}, {"quit", {quitKeys}}});
    EXPECT_TRUE(keys.registered().empty());
    EXPECT_TRUE(published.empty());
    EXPECT_EQ(hotkeys.bindings().size(), 2u);
    // Pressing now types the keys, so a recorder can take them.
    EXPECT_EQ(press(quitKeys), Press::unregistered);

    hotkeys.resume();
    EXPECT_FALSE(hotkeys.isSuspended());
    EXPECT_TRUE(isRegistered(quitKeys));
    EXPECT_FALSE(isRegistered(openKeys));
    EXPECT_EQ(hotkeys.taken(), (std::set<KeyCombo>{pauseKeys}));
    EXPECT_EQ(published, (std::vector<std::set<KeyCombo>>{{pauseKeys}}));
    press(quitKeys);
    EXPECT_EQ(fired, (std::vector<std::string>{"quit"}));

    // Once the other program lets go, registering again gets it, and `taken` empties.
    keys.unregisterElsewhere(pauseKeys.keyCode, pauseKeys.modifiers);
    hotkeys.registerBindings(hotkeys.bindings());
    EXPECT_TRUE(hotkeys.taken().empty());
    EXPECT_EQ(press(pauseKeys), Press::handled);
}

TEST_F(HotkeysTest, SuspendingTwiceThenResumingOnceRegistersEverythingAgain) {
    int claimedPresses = 0;
    hotkeys.registerBindings({{"open", {openKeys}}});
    hotkeys.claim(quitKeys, [&] { ++claimedPresses; });
    ASSERT_EQ(keys.registered().size(), 2u);

    hotkeys.suspend();
    hotkeys.suspend();
    EXPECT_TRUE(hotkeys.isSuspended());
    EXPECT_TRUE(keys.registered().empty());
    EXPECT_TRUE(hotkeys.registeredNames().empty());
    EXPECT_TRUE(hotkeys.claimedCombos().empty());

    hotkeys.resume();
    EXPECT_FALSE(hotkeys.isSuspended());
    EXPECT_TRUE(isRegistered(openKeys));
    EXPECT_TRUE(isRegistered(quitKeys));
    // IDs are never reused.
    for (const auto& registered : keys.registered()) {
        EXPECT_GT(registered.id.id, 2u);
    }
    press(openKeys);
    press(quitKeys);
    EXPECT_EQ(fired, (std::vector<std::string>{"open"}));
    EXPECT_EQ(claimedPresses, 1);

    // Resuming again changes nothing.
    hotkeys.resume();
    EXPECT_EQ(keys.registered().size(), 2u);
}

TEST_F(HotkeysTest, AClaimRunsItsActionAndReleasingItLetsTheKeysGo) {
    std::vector<std::string> actions;
    hotkeys.claim(pauseKeys, [&] { actions.push_back("first"); });
    EXPECT_TRUE(hotkeys.isInstalled());
    EXPECT_EQ(press(pauseKeys), Press::handled);

    // Claiming the same keys again replaces the action and registers nothing more.
    hotkeys.claim(pauseKeys, [&] { actions.push_back("second"); });
    EXPECT_EQ(keys.registered().size(), 1u);
    press(pauseKeys);
    EXPECT_EQ(actions, (std::vector<std::string>{"first", "second"}));
    EXPECT_TRUE(fired.empty());

    hotkeys.release(pauseKeys);
    EXPECT_FALSE(isRegistered(pauseKeys));
    EXPECT_EQ(press(pauseKeys), Press::unregistered);
    EXPECT_EQ(actions.size(), 2u);
    // Releasing what is not claimed is harmless.
    hotkeys.release(quitKeys);

    // An action may release its own claim.
    hotkeys.claim(pauseKeys, [&] {
        actions.push_back("once");
        hotkeys.release(pauseKeys);
    });
    EXPECT_EQ(press(pauseKeys), Press::handled);
    EXPECT_EQ(press(pauseKeys), Press::unregistered);
    EXPECT_EQ(actions.size(), 3u);
}

TEST_F(HotkeysTest, ARefusedClaimIsLeftOutUntilAResumeAndSuspendedChangesWaitForIt) {
    ASSERT_TRUE(keys.registerElsewhere(pauseKeys.keyCode, pauseKeys.modifiers));
    int presses = 0;
    hotkeys.claim(pauseKeys, [&] { ++presses; });
    EXPECT_TRUE(hotkeys.claimedCombos().empty());
    EXPECT_TRUE(hotkeys.taken().empty());
    EXPECT_EQ(press(pauseKeys), Press::otherProgram);
    EXPECT_EQ(presses, 0);

    // It stays stored, and a resume tries it again; claims made or released while suspended
    // take effect on resume.
    int kept = 0;
    int released = 0;
    hotkeys.claim(quitKeys, [&] { ++released; });
    keys.unregisterElsewhere(pauseKeys.keyCode, pauseKeys.modifiers);
    hotkeys.suspend();
    hotkeys.claim(openKeys, [&] { ++kept; });
    hotkeys.release(quitKeys);
    EXPECT_TRUE(keys.registered().empty());
    hotkeys.resume();
    EXPECT_FALSE(isRegistered(quitKeys));
    press(pauseKeys);
    press(openKeys);
    press(quitKeys);
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(kept, 1);
    EXPECT_EQ(released, 0);
}

TEST_F(HotkeysTest, AHotKeyEventWithAForeignSignatureIsPassedOn) {
    // Another part of the process installed its handler first and registered with its own
    // signature, under an ID this registry also uses.
    std::vector<std::optional<HotKeyID>> theirs;
    keys.installHandler([&](std::optional<HotKeyID> pressed) {
        theirs.push_back(pressed);
        return platform::hotkey::noErr;
    });
    hotkeys.registerBindings({{"open", {openKeys}}});
    auto foreign = keys.registerHotKey(quitKeys.keyCode, quitKeys.modifiers, {0x41424344, 1});
    ASSERT_EQ(foreign.status, platform::hotkey::noErr);

    EXPECT_EQ(press(quitKeys), Press::handled);
    EXPECT_TRUE(fired.empty());
    EXPECT_EQ(theirs, (std::vector<std::optional<HotKeyID>>{HotKeyID{0x41424344, 1}}));

    // An event whose hot-key ID cannot be read is passed on too.
    keys.deliver(std::nullopt);
    EXPECT_EQ(theirs.size(), 2u);
    EXPECT_TRUE(fired.empty());

    // Ours stops with us.
    press(openKeys);
    EXPECT_EQ(fired, (std::vector<std::string>{"open"}));
    EXPECT_EQ(theirs.size(), 2u);
}

TEST_F(HotkeysTest, GoingAwayUnregistersEverythingAndRemovesItsHandler) {
    {
        Hotkeys other(system.hotKeys());
        other.registerBindings({{"quit", {quitKeys}}});
        other.claim(pauseKeys, [] {});
        EXPECT_EQ(keys.registered().size(), 2u);
        EXPECT_EQ(keys.handlerCount(), 1u);
    }
    EXPECT_TRUE(keys.registered().empty());
    EXPECT_EQ(keys.handlerCount(), 0u);
    EXPECT_EQ(keys.deliver(HotKeyID{Hotkeys::signature, 1}), Press::unhandled);
}

TEST(HotkeysShared, TheSharedRegistryUsesTheSystemItWasGiven) {
    // The shared registry lives as long as the process, and so must its system.
    static auto* system = new platform::simulated::SimulatedSystem();
    Hotkeys::useSystem(*system);
    system->simulatedKeyboardLayout().set({{35, "ü"}});
    EXPECT_EQ(KeyCombo(35, KeyCombo::command).display(), "⌘Ü");
    system->simulatedKeyboardLayout().set(
        platform::simulated::SimulatedKeyboardLayout::unitedStates());

    int presses = 0;
    Hotkeys::shared().claim(quitKeys, [&] { ++presses; });
    EXPECT_EQ(system->simulatedHotKeys().press(quitKeys.keyCode, quitKeys.modifiers),
              Press::handled);
    EXPECT_EQ(presses, 1);
    Hotkeys::shared().release(quitKeys);
    EXPECT_TRUE(system->simulatedHotKeys().registered().empty());
}

} // namespace
} // namespace corvale
