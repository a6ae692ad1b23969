#include "SkiroCore/ScrollDeltas.hpp"

#include <limits>

namespace skiro {

namespace {

std::int64_t negated(std::int64_t value) {
    return value == std::numeric_limits<std::int64_t>::min()
               ? std::numeric_limits<std::int64_t>::max()
               : -value;
}

} // namespace

AxisDeltas AxisDeltas::reversed() const {
    return AxisDeltas{negated(line), -fixedPoint, negated(point)};
}

ScrollDeltas ScrollDeltas::flipped(Flip flip) const {
    return ScrollDeltas{flip.vertical ? vertical.reversed() : vertical,
                        flip.horizontal ? horizontal.reversed() : horizontal};
}

} // namespace skiro
