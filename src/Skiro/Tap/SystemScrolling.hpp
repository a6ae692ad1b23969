#pragma once

#include "Platform/System.hpp"

// Asks the system and keeps no state; every failure of the system gives the neutral answer
// and nothing is logged.
namespace skiro {

// The system-wide natural-scrolling setting; the system names its key and the notice of its
// change (`platform::SystemNames`).
struct SystemScrolling {
    // Whether natural scrolling is on: synchronizes, then reads the value. Missing or not a
    // Boolean counts as on.
    static bool natural(platform::System& system);
};

} // namespace skiro
