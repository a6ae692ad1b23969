#pragma once

#include "Platform/System.hpp"

#include <string>
#include <string_view>
#include <vector>

// Asks the system and keeps no state; every failure of the system gives the neutral answer
// and nothing is logged.
namespace skiro {

// Other processes' event taps that could change scrolls.
struct OtherTaps {
    static constexpr std::string_view backgroundProcess = "a background process";

    // Names of the processes with active taps on scroll events, other than this one, in the
    // order the system lists their taps, each name once. Empty when none or unknown.
    static std::vector<std::string> scrollChangers(platform::EventTaps& taps,
                                                   platform::RunningApplications& applications);
};

} // namespace skiro
