#include "Skiro/UI/StatusMenu.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace skiro {
namespace {

using Action = StatusMenu::Action;
using Item = StatusMenu::Item;
using State = Live::State;

const Item separator = Item::separator();
const Item settings{.title = "Settings…", .action = Action::openSettings, .keyEquivalent = ","};
const Item quit{.title = "Quit Skiro", .action = Action::quit, .keyEquivalent = "q"};
const Item pause{.title = "Pause", .action = Action::pause};

std::vector<Item> ending(std::vector<Item> head) {
    for (const Item& item : {separator, settings, separator, quit}) {
        head.push_back(item);
    }
    return head;
}

TEST(StatusMenu, ItemsFollowTheStateTheTurnedBackListAndTheUpdates) {
    const std::vector<std::string> none;
    const std::vector<std::string> two{"Mouse Tool", "Scroller"};
    struct Case {
        const char* name;
        StatusMenu::Shown shown;
        std::vector<Item> items;
    };
    const Item stopped{.title = "Stopped: scrolling kept stalling. It's the system's.",
                       .enabled = false};
    const Item paused{.title = "Paused. Scrolling follows System Settings.", .enabled = false};
    const std::vector<Case> cases{
        {"running", {.state = State::running}, ending({pause})},
        {"paused",
         {.state = State::paused},
         ending({paused, {.title = "Resume", .action = Action::resume}})},
        {"stopped",
         {.state = State::stopped},
         ending({stopped, {.title = "Start Again", .action = Action::startAgain}})},
        {"waiting",
         {.state = State::waiting},
         ending({{.title = "Waiting for Accessibility…", .action = Action::openAccessibility}})},
        {"turned back by nobody found",
         {.state = State::running, .turnedBackBy = none},
         ending({{.title = "Another app is turning scrolling back.", .enabled = false},
                 separator,
                 pause})},
        {"turned back by two",
         {.state = State::running, .turnedBackBy = two},
         ending({{.title = Words::turnedBack(two), .enabled = false}, separator, pause})},
        {"a turned-back list only counts while running",
         {.state = State::paused, .turnedBackBy = two},
         ending({paused, {.title = "Resume", .action = Action::resume}})},
        {"an update waits",
         {.state = State::stopped, .waitingUpdate = "2.1"},
         ending({{.title = "Update to 2.1…", .action = Action::checkForUpdates},
                 separator,
                 stopped,
                 {.title = "Start Again", .action = Action::startAgain}})},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(StatusMenu::items(test.shown), test.items) << test.name;
    }

    // "Check for Updates…" only in a build with updates, enabled while the updater can check.
    for (bool canCheck : {true, false}) {
        std::vector<Item> items = StatusMenu::items(
            {.state = State::running, .updatesConfigured = true, .canCheckForUpdates = canCheck});
        ASSERT_EQ(items.size(), 6u);
        EXPECT_EQ(items[3], (Item{.title = "Check for Updates…",
                                  .enabled = canCheck,
                                  .action = Action::checkForUpdates}));
        EXPECT_EQ(items[2], settings);
    }
}

TEST(StatusMenu, AccessibilityLabelNamesTheState) {
    EXPECT_EQ(StatusMenu::accessibilityLabel(State::waiting), "Skiro, waiting for Accessibility");
    EXPECT_EQ(StatusMenu::accessibilityLabel(State::running), "Skiro");
    EXPECT_EQ(StatusMenu::accessibilityLabel(State::paused), "Skiro, paused");
    EXPECT_EQ(StatusMenu::accessibilityLabel(State::stopped), "Skiro, stopped");
}

} // namespace
} // namespace skiro
