#include "Platform/Simulated/SimulatedAppFramework.hpp"

#include "Platform/Simulated/SimulatedEvent.hpp"

namespace platform::simulated {

namespace {

std::uint64_t appPhaseOf(std::int64_t scrollPhase) {
    switch (scrollPhase) {
    case 1:
        return appPhase::began;
    case 2:
        return appPhase::changed;
    case 4:
        return appPhase::ended;
    case 8:
        return appPhase::cancelled;
    case 128:
        return appPhase::mayBegin;
    default:
        return appPhase::none;
    }
}

std::uint64_t appMomentumOf(std::int64_t momentumPhase) {
    switch (momentumPhase) {
    case 1:
        return appPhase::began;
    case 2:
        return appPhase::changed;
    case 3:
        return appPhase::ended;
    default:
        return appPhase::none;
    }
}

} // namespace

std::optional<AppScrollEvent> SimulatedAppFramework::scrollEvent(const Event& event) const {
    if (!available_.load() || event.type() != EventType::scrollWheel) {
        return std::nullopt;
    }
    auto* simulated = dynamic_cast<const SimulatedEvent*>(&event);
    AppScrollEvent scroll;
    scroll.systemTurned = simulated != nullptr && simulated->systemTurned();
    scroll.hasPreciseScrollingDeltas = event.integerValue(field::scrollWheelEventIsContinuous) != 0;
    scroll.deltaY = event.doubleValue(field::scrollWheelEventFixedPtDeltaAxis1);
    scroll.deltaX = event.doubleValue(field::scrollWheelEventFixedPtDeltaAxis2);
    if (scroll.hasPreciseScrollingDeltas) {
        scroll.scrollingDeltaY = event.doubleValue(field::scrollWheelEventPointDeltaAxis1);
        scroll.scrollingDeltaX = event.doubleValue(field::scrollWheelEventPointDeltaAxis2);
    } else {
        scroll.scrollingDeltaY = scroll.deltaY;
        scroll.scrollingDeltaX = scroll.deltaX;
    }
    scroll.phase = appPhaseOf(event.integerValue(field::scrollWheelEventScrollPhase));
    scroll.momentumPhase = appMomentumOf(event.integerValue(field::scrollWheelEventMomentumPhase));
    return scroll;
}

} // namespace platform::simulated
