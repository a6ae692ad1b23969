#pragma once

#include "Platform/System.hpp"

#include <string_view>

// Asks the system and keeps no state; every failure of the system gives the neutral answer
// and nothing is logged.
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

} // namespace skiro
