#include "Platform/Simulated/SimulatedSystem.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace platform::simulated {
namespace {

using Press = SimulatedHotKeys::Press;

constexpr std::uint32_t command = 256;
constexpr std::uint32_t option = 2048;
constexpr HotKeyID ours{0x4352564C, 7};

class SimulatedHotKeysTest : public ::testing::Test {
protected:
    // A handler that records what it hears and answers `answer`.
    HotKeys::HandlerReference listen(std::string name, hotkey::Status answer) {
        return system.hotKeys().installHandler(
            [this, name, answer](std::optional<HotKeyID> pressed) {
                heard.emplace_back(name, pressed);
                return answer;
            });
    }

    SimulatedSystem system;
    SimulatedHotKeys& keys = system.simulatedHotKeys();
    std::vector<std::pair<std::string, std::optional<HotKeyID>>> heard;
};

TEST_F(SimulatedHotKeysTest, ACombinationBelongsToOneRegistrantAtATime) {
    HotKeys& hotKeys = system.hotKeys();
    HotKeys::Registration first = hotKeys.registerHotKey(35, command, ours);
    EXPECT_EQ(first.status, hotkey::noErr);
    EXPECT_NE(first.reference, 0u);

    HotKeys::Registration again = hotKeys.registerHotKey(35, command, {0x41424344, 1});
    EXPECT_EQ(again.status, hotkey::eventHotKeyExistsErr);
    EXPECT_EQ(again.reference, 0u);
    // The same key with other modifiers is another combination.
    EXPECT_EQ(hotKeys.registerHotKey(35, command | option, ours).status, hotkey::noErr);

    EXPECT_EQ(hotKeys.unregisterHotKey(first.reference), hotkey::noErr);
    EXPECT_EQ(hotKeys.unregisterHotKey(first.reference), hotkey::eventHotKeyInvalidErr);
    EXPECT_EQ(hotKeys.unregisterHotKey(0), hotkey::eventHotKeyInvalidErr);
    EXPECT_FALSE(keys.isRegistered(35, command));
    EXPECT_TRUE(keys.registerElsewhere(35, command));
}

TEST_F(SimulatedHotKeysTest, APressCarriesTheSignatureAndIDToTheNewestHandlerFirst) {
    listen("older", hotkey::noErr);
    listen("newer", hotkey::eventNotHandledErr);
    ASSERT_EQ(system.hotKeys().registerHotKey(35, command, ours).status, hotkey::noErr);

    EXPECT_EQ(keys.press(35, command), Press::handled);
    using Heard = std::vector<std::pair<std::string, std::optional<HotKeyID>>>;
    EXPECT_EQ(heard, (Heard{{"newer", ours}, {"older", ours}}));

    heard.clear();
    listen("newest", hotkey::noErr);
    keys.press(35, command);
    EXPECT_EQ(heard, (Heard{{"newest", ours}}));
}

TEST_F(SimulatedHotKeysTest, AHandlerMayChangeRegistrationsWhileAPressIsDelivered) {
    auto registration = system.hotKeys().registerHotKey(35, command, ours);
    system.hotKeys().installHandler([&](std::optional<HotKeyID>) {
        system.hotKeys().unregisterHotKey(registration.reference);
        system.hotKeys().registerHotKey(31, command, ours);
        return hotkey::noErr;
    });
    EXPECT_EQ(keys.press(35, command), Press::handled);
    EXPECT_FALSE(keys.isRegistered(35, command));
    EXPECT_TRUE(keys.isRegistered(31, command));
}

} // namespace
} // namespace platform::simulated
