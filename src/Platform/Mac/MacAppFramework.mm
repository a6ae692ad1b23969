#include "Platform/Mac/MacAppFramework.hpp"

#include "Platform/Mac/MacEvent.hpp"

#import <AppKit/AppKit.h>

namespace platform::mac {

std::optional<AppScrollEvent> MacAppFramework::scrollEvent(const Event& event) const {
    CGEventRef quartz = static_cast<const MacEvent&>(event).cgEvent();
    if (quartz == nullptr) {
        return std::nullopt;
    }
    // The tap thread has no pool of its own.
    @autoreleasepool {
        NSEvent* app = [NSEvent eventWithCGEvent:quartz];
        if (app == nil || app.type != NSEventTypeScrollWheel) {
            return std::nullopt;
        }
        AppScrollEvent scroll;
        scroll.systemTurned = app.directionInvertedFromDevice;
        scroll.hasPreciseScrollingDeltas = app.hasPreciseScrollingDeltas;
        scroll.scrollingDeltaX = app.scrollingDeltaX;
        scroll.scrollingDeltaY = app.scrollingDeltaY;
        scroll.deltaX = app.deltaX;
        scroll.deltaY = app.deltaY;
        scroll.phase = static_cast<std::uint64_t>(app.phase);
        scroll.momentumPhase = static_cast<std::uint64_t>(app.momentumPhase);
        return scroll;
    }
}

} // namespace platform::mac
