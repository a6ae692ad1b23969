#pragma once

#include "Platform/System.hpp"

// Asks the system and keeps no state; every failure of the system gives the neutral answer
// and nothing is logged.
namespace skiro {

// Whether this process may filter input events.
struct Accessibility {
    // True when an active scroll tap can be made now: a trial tap, at the HID level or else
    // the session's, never attached to a run loop and gone at once.
    static bool canTap(platform::EventTaps& taps);
    // Opens the permission's settings page.
    static void openSettings(platform::System& system);
};

} // namespace skiro
