#include "Corvale/SpokenKeys.hpp"

#include "Platform/Simulated/SimulatedSystem.hpp"

#include <gtest/gtest.h>

namespace corvale {
namespace {

TEST(SpokenKeys, AShortcutsDisplayIsSpokenAsWords) {
    platform::simulated::SimulatedSystem system;
    KeyCombo::Layout saved = KeyCombo::setKeyboardLayout(
        [&system](std::uint32_t code) { return system.keyboardLayout().character(code); });
    KeyCombo combo(35, KeyCombo::control | KeyCombo::option | KeyCombo::command);
    EXPECT_EQ(SpokenKeys::spoken(combo), "Control Option Command P");
    EXPECT_EQ(SpokenKeys::spoken(KeyCombo(123, KeyCombo::shift | KeyCombo::command)),
              "Shift Command Left Arrow");
    EXPECT_EQ(SpokenKeys::spoken(KeyCombo(96, KeyCombo::command)), "Command F5");
    EXPECT_EQ(SpokenKeys::spoken(KeyCombo(49, KeyCombo::control)), "Control Space");
    EXPECT_EQ(SpokenKeys::spoken(KeyCombo(105, KeyCombo::option)), "Option #105");
    KeyCombo::setKeyboardLayout(saved);
}

TEST(SpokenKeys, WordsStandApartAndSpacesCollapse) {
    EXPECT_EQ(SpokenKeys::text("Press ⌘S to save"), "Press Command S to save");
    EXPECT_EQ(SpokenKeys::text("x⌫"), "x Delete");
    EXPECT_EQ(SpokenKeys::text("a    b"), "a b");
    EXPECT_EQ(SpokenKeys::text(" \t⌘ \n"), "Command");
    EXPECT_EQ(SpokenKeys::text("⇞⇟↖↘⌦⎋↩⇥"),
              "Page Up Page Down Home End Forward Delete Escape Return Tab");
    EXPECT_EQ(SpokenKeys::text("a\xff⌘"), "a\uFFFD Command");
    // Other white space is kept as it is, and no space is added after it.
    EXPECT_EQ(SpokenKeys::text("a\t⌘"), "a\tCommand");
    EXPECT_EQ(SpokenKeys::text("plain text"), "plain text");
}

TEST(SpokenKeys, NoSpaceBeforeClosingPunctuationOrAfterAnOpeningParenthesis) {
    EXPECT_EQ(SpokenKeys::text("Use ⌘."), "Use Command.");
    EXPECT_EQ(SpokenKeys::text("(⌘S)"), "(Command S)");
    EXPECT_EQ(SpokenKeys::text("⌘, ⌥; ⇧: ⌃? ←!"), "Command, Option; Shift: Control? Left Arrow!");
    EXPECT_EQ(SpokenKeys::text("press ⌃ ."), "press Control.");
}

} // namespace
} // namespace corvale
