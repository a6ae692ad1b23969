#pragma once

#include "SkiroCore/Scrolling.hpp"

#include <cstdint>
#include <optional>

namespace skiro {

// One scroll event without the platform.
struct ScrollSample {
    // Gesture phases as the system numbers them; the field holds whatever the event carries.
    struct Phase {
        static constexpr std::int64_t began = 1;
        static constexpr std::int64_t changed = 2;
        static constexpr std::int64_t ended = 4;
        static constexpr std::int64_t canceled = 8;
        static constexpr std::int64_t mayBegin = 128;
    };
    struct Momentum {
        static constexpr std::int64_t began = 1;
        static constexpr std::int64_t continued = 2;
        static constexpr std::int64_t ended = 3;
    };

    Device device = Device::trackpad;
    bool continuous = false;
    std::int64_t phase = 0;
    std::int64_t momentum = 0;
    bool shift = false;
    bool shortcutKeys = false; // control, option or command

    constexpr bool isGesture() const { return continuous && (phase != 0 || momentum != 0); }
    constexpr bool isCoast() const { return momentum != 0; }
    constexpr bool startsGesture() const {
        return phase == Phase::began || phase == Phase::mayBegin;
    }
    // A mouse wheel turned with shift alone scrolls sideways.
    constexpr bool isSidewaysWheel() const {
        return device == Device::mouse && !continuous && shift && !shortcutKeys;
    }
    // With shift and another modifier it is a shortcut, and follows the vertical setting.
    constexpr bool isShortcutWheel() const {
        return device == Device::mouse && !continuous && shift && shortcutKeys;
    }
    constexpr std::optional<Axis> wheelFollows() const {
        if (isSidewaysWheel()) {
            return Axis::horizontal;
        }
        if (isShortcutWheel()) {
            return Axis::vertical;
        }
        return std::nullopt;
    }

    bool operator==(const ScrollSample&) const = default;
};

} // namespace skiro
