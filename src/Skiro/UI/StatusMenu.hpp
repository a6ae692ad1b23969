#pragma once

#include "Skiro/Live.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QMenu;
class QSystemTrayIcon;

namespace skiro {

// The status item in the tray and its menu, rebuilt from scratch on every update from what the
// live controller and the updates show. Main thread only.
class StatusMenu {
public:
    enum class Action {
        checkForUpdates,
        pause,
        resume,
        startAgain,
        openAccessibility,
        openSettings,
        quit
    };

    struct Item {
        std::string title{};
        bool enabled = true;
        std::optional<Action> action{};
        // The key pressed with the command key; empty when none.
        std::string keyEquivalent{};
        bool isSeparator = false;

        static Item separator() { return {.isSeparator = true}; }
        bool operator==(const Item&) const = default;
    };

    // Everything the menu depends on.
    struct Shown {
        Live::State state = Live::State::waiting;
        std::optional<std::vector<std::string>> turnedBackBy{};
        // The version of an update waiting to be installed.
        std::optional<std::string> waitingUpdate{};
        bool updatesConfigured = false;
        bool canCheckForUpdates = false;
    };

    static std::vector<Item> items(const Shown& shown);
    static std::string accessibilityLabel(Live::State state);

    // What the live controller and the updates show now.
    static Shown current();

    // Makes the tray item, which shows where and once the desktop has a tray, and updates it.
    StatusMenu();
    ~StatusMenu();
    StatusMenu(const StatusMenu&) = delete;
    StatusMenu& operator=(const StatusMenu&) = delete;

    void update();
    // Does what the item with `action` does.
    static void perform(Action action);

    QMenu& menu() { return *menu_; }

private:
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<QSystemTrayIcon> tray_;
};

} // namespace skiro
