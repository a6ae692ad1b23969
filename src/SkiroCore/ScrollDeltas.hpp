#pragma once

#include "SkiroCore/Scrolling.hpp"

#include <cstdint>

namespace skiro {

// The three measures of one axis's movement that a scroll event carries.
struct AxisDeltas {
    std::int64_t line = 0;
    double fixedPoint = 0;
    std::int64_t point = 0;

    static const AxisDeltas zero;

    // All three negated. The most negative 64-bit value has no negation, so it saturates to the
    // most positive one rather than overflowing.
    AxisDeltas reversed() const;

    bool operator==(const AxisDeltas&) const = default;
};

inline constexpr AxisDeltas AxisDeltas::zero{};

struct ScrollDeltas {
    AxisDeltas vertical;
    AxisDeltas horizontal;

    // The flipped axes reversed, the others copied unchanged.
    ScrollDeltas flipped(Flip flip) const;

    bool operator==(const ScrollDeltas&) const = default;
};

} // namespace skiro
