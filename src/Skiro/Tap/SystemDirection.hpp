#pragma once

#include "Platform/AppFramework.hpp"
#include "Platform/Clock.hpp"
#include "Platform/Event.hpp"
#include "Skiro/Tap/HIDEvent.hpp"
#include "Skiro/Tap/Tally.hpp"
#include "SkiroCore/ScrollDeltas.hpp"

#include <optional>

namespace skiro {

// The system's own direction for a scroll, read on the tap thread when the turner takes a
// decision; each reading is timed and counted in the tally.
class SystemDirection {
public:
    // What it reads with; all outlive it.
    struct Parts {
        const platform::Clock& clock;
        const platform::AppFramework& app;
        const HIDEvent::Functions& hid;
        tap::Tally& tally;
    };
    explicit SystemDirection(Parts parts) : parts_(parts) {}

    // Whether the system turned this scroll (natural scrolling in effect for it): from the HID
    // event's movement against the event's deltas, else the last such answer, else the
    // application framework. `deltas` are the event's, as it came.
    bool systemTurned(const platform::Event& event, platform::IOHIDEvent* hid,
                      const ScrollDeltas& deltas);

private:
    const Parts parts_;
    std::optional<bool> last_; // the last answer a HID event gave
};

} // namespace skiro
