#pragma once

#include "Platform/System.hpp"

#include <string>
#include <string_view>
#include <vector>

// What the tap asks of the system outside the tap itself. No state; every failure of the
// system gives the neutral answer and nothing is logged.
namespace skiro {

// The system-wide natural-scrolling setting.
struct SystemScrolling {
    // In the any-application preference domain.
    static constexpr std::string_view key = "com.apple.swipescrolldirection";
    // Posted (distributed) when the user changes the setting.
    static constexpr std::string_view changed = "SwipeScrollDirectionDidChangeNotification";

    // Whether natural scrolling is on: synchronizes, then reads the value. Missing or not a
    // Boolean counts as on.
    static bool natural(platform::Preferences& preferences);
};

// Whether this process may filter input events.
struct Accessibility {
    // Posted (distributed) when the permission list changes.
    static constexpr std::string_view changed = "com.apple.accessibility.api";
    static constexpr std::string_view settingsAddress =
        "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility";

    // True when an active scroll tap can be made now: a trial tap, at the HID level or else
    // the session's, never attached to a run loop and gone at once.
    static bool canTap(platform::EventTaps& taps);
    // Opens the permission's settings page.
    static void openSettings(platform::Workspace& workspace);
};

// Other processes' event taps that could change scrolls.
struct OtherTaps {
    static constexpr std::string_view backgroundProcess = "a background process";

    // Names of the processes with active taps on scroll events, other than this one, in the
    // order the system lists their taps, each name once. Empty when none or unknown.
    static std::vector<std::string> scrollChangers(platform::EventTaps& taps,
                                                   platform::RunningApplications& applications);
};

} // namespace skiro
