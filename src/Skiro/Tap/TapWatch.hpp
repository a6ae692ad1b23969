#pragma once

#include "Platform/Event.hpp"
#include "Platform/System.hpp"
#include "Skiro/Tap/Lifetime.hpp"
#include "Skiro/Tap/Tally.hpp"
#include "Skiro/Tap/TapKeeper.hpp"

#include <functional>

namespace skiro {

// Keeps the main tap on. When the system switches it off it is switched back on, replaced after
// three timeouts within 10 s, and given up after a fourth replacement within 300 s (the keeper's
// windows, read on the system's clock); one switched off for want of the Accessibility
// permission is left off. The sentinel finds a tap switched off without notice. Each is counted
// in the tally and answered on the main thread, and the owner is told of trouble there.
class TapWatch {
public:
    // What the watch tells its owner.
    enum class Trouble {
        permissionGone, // switched off by the system, and the Accessibility permission is gone
        restarted,      // it kept timing out; a fresh tap was made
        gaveUp,         // fresh taps kept timing out; the tap is stopped
    };
    using OnTrouble = std::function<void(Trouble)>;

    // Hand-overs hold `owner` weakly; the rest outlive the watch. `restart` makes a fresh tap
    // (true when it did) and `stop` removes every tap: the owner's, on the main thread.
    struct Parts {
        Lifetime owner;
        platform::System& system;
        TapKeeper& keeper;
        tap::Tally& tally;
        std::function<bool()> restart;
        std::function<void()> stop;
    };
    explicit TapWatch(Parts parts) : parts_(std::move(parts)) {}

    // --- Tap thread.

    // The system switched the main tap off (tapDisabledByTimeout or tapDisabledByUserInput).
    void disabled(platform::EventType type);
    // A scroll reached the sentinel.
    void sentinel();

    // --- Main thread.

    // A switched-off tap back on, or a fresh one when it will not come back (wake, unlock).
    void ensureEnabled();
    void setOnTrouble(OnTrouble onTrouble) { onTrouble_ = std::move(onTrouble); }

private:
    void turnedOff(platform::EventType type);
    void revive();
    void trouble(Trouble trouble);

    const Parts parts_;
    OnTrouble onTrouble_; // main thread
};

} // namespace skiro
