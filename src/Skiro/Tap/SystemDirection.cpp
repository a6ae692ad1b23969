#include "Skiro/Tap/SystemDirection.hpp"
#include "Skiro/Tap/ScrollFields.hpp"

namespace skiro {

bool SystemDirection::systemTurned(const platform::Event& event, platform::IOHIDEvent* hid,
                                   const ScrollDeltas& deltas) {
    const std::uint64_t start = parts_.clock.machAbsoluteTime();
    auto noteStart = [&](bool fromHID) {
        const std::uint64_t now = parts_.clock.machAbsoluteTime();
        parts_.tally.started(fromHID, now > start ? now - start : 0);
    };

    if (hid != nullptr) {
        // The HID event moves as the device did; the event after the system's own direction.
        // Opposite signs: the system turned it.
        const bool continuous = event.integerValue(scrollField::isContinuous) != 0;
        auto eventValue = [&](const AxisDeltas& axis) {
            return static_cast<double>(continuous ? axis.point : axis.line);
        };
        const double pairs[2][2] = {
            {eventValue(deltas.vertical), parts_.hid.value(hid, HIDEvent::fieldScrollY)},
            {eventValue(deltas.horizontal), parts_.hid.value(hid, HIDEvent::fieldScrollX)},
        };
        for (const auto& [value, device] : pairs) {
            if (value != 0 && device != 0) {
                const bool turned = (value > 0) != (device > 0);
                last_ = turned;
                noteStart(true);
                return turned;
            }
        }
        // No movement to compare: the last answer a HID event gave.
        if (last_) {
            noteStart(true);
            return *last_;
        }
    }

    std::optional<platform::AppScrollEvent> app = parts_.app.scrollEvent(event);
    // The framework calls it the direction inverted from the device's.
    const bool turned = app && app->systemTurned;
    if (hid != nullptr) {
        last_ = turned;
    }
    noteStart(false);
    return turned;
}

} // namespace skiro
