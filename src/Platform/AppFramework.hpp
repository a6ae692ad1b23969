#pragma once

#include "Platform/Event.hpp"

#include <cstdint>
#include <optional>

// How the application framework reads a scroll event (the event object applications get).
namespace platform {

// The framework's phase mask, for both the gesture phase and the momentum phase.
namespace appPhase {
inline constexpr std::uint64_t none = 0;
inline constexpr std::uint64_t began = 1;
inline constexpr std::uint64_t stationary = 2;
inline constexpr std::uint64_t changed = 4;
inline constexpr std::uint64_t ended = 8;
inline constexpr std::uint64_t cancelled = 16;
inline constexpr std::uint64_t mayBegin = 32;
} // namespace appPhase

struct AppScrollEvent {
    // The system turned the deltas: natural scrolling was applied (the framework calls it
    // "direction inverted from device").
    bool systemTurned = false;
    // Pixel-precise deltas (a continuous scroll) rather than lines.
    bool hasPreciseScrollingDeltas = false;
    double scrollingDeltaX = 0;
    double scrollingDeltaY = 0;
    double deltaX = 0;
    double deltaY = 0;
    std::uint64_t phase = appPhase::none;
    std::uint64_t momentumPhase = appPhase::none;

    bool operator==(const AppScrollEvent&) const = default;
};

class AppFramework {
public:
    virtual ~AppFramework() = default;

    // The event as the framework reads it now, or nothing when it makes no scroll of it.
    virtual std::optional<AppScrollEvent> scrollEvent(const Event& event) const = 0;
};

} // namespace platform
