#pragma once

#include "Platform/Event.hpp"
#include "Skiro/Tap/PackedSettings.hpp"
#include "Skiro/Tap/ScrollFields.hpp"

#include <cstdint>

namespace skiro {

// What the tap's pipeline reads of every scroll before choosing its path: three fields of the
// event, the packed settings, and whether anyone observes or records.
struct ScrollArrival {
    std::uint8_t settings = 0; // PackedSettings
    bool continuous = false;
    std::int64_t phase = 0;
    std::int64_t momentum = 0;
    bool observing = false;
    bool recording = false;

    [[gnu::always_inline]] static ScrollArrival
    of(const platform::Event& event, std::uint8_t settings, bool observing, bool recording) {
        return ScrollArrival{settings,
                             event.integerValue(scrollField::isContinuous) != 0,
                             event.integerValue(scrollField::scrollPhase),
                             event.integerValue(scrollField::momentumPhase),
                             observing,
                             recording};
    }
    // Nothing asks for the full path but, perhaps, a held decision.
    bool passes() const {
        return !PackedSettings::turnsAnything(settings) && !observing && !recording;
    }
};

} // namespace skiro
