#include "SkiroEngine/Turner.hpp"

namespace skiro {

void Turner::passed(bool continuous, std::int64_t phase, std::int64_t momentum) {
    if (!continuous || (phase == 0 && momentum == 0)) {
        return;
    }
    passing_ = momentum != ScrollSample::Momentum::ended;
    gestures_.fill(std::nullopt);
}

bool Turner::isIdle() const {
    for (const std::optional<Flip>& held : gestures_) {
        if (held && !held->isNone()) {
            return false;
        }
    }
    return true;
}

} // namespace skiro
