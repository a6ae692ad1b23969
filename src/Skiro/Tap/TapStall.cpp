#include "Skiro/Tap/TapStall.hpp"

#include <chrono>

namespace skiro {

void TapStall::stallIfAsked(platform::Clock& clock) {
    const std::int64_t milliseconds = asked_.with([](Asked& asked) -> std::int64_t {
        if (asked.count <= 0) {
            return 0;
        }
        asked.count -= 1;
        return asked.milliseconds;
    });
    if (milliseconds >= 1) {
        clock.sleep(std::chrono::milliseconds(milliseconds));
    }
}

} // namespace skiro
