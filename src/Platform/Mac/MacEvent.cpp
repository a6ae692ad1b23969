#include "Platform/Mac/MacEvent.hpp"

#include <utility>

namespace platform::mac {

namespace {

bool readable(EventField field) {
    return field < field::count;
}

} // namespace

std::unique_ptr<MacEvent> MacEvent::adopting(CGEventRef event) {
    if (event == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<MacEvent>(new MacEvent(event, true));
}

MacEvent::MacEvent(MacEvent&& other) noexcept
    : event_(std::exchange(other.event_, nullptr)), owned_(std::exchange(other.owned_, false)) {}

MacEvent::~MacEvent() {
    if (owned_ && event_ != nullptr) {
        CFRelease(event_);
    }
}

EventType MacEvent::type() const {
    return event_ != nullptr ? static_cast<EventType>(CGEventGetType(event_)) : EventType::null;
}

std::int64_t MacEvent::integerValue(EventField field) const {
    if (event_ == nullptr || !readable(field)) {
        return 0;
    }
    return CGEventGetIntegerValueField(event_, static_cast<CGEventField>(field));
}

double MacEvent::doubleValue(EventField field) const {
    if (event_ == nullptr || !readable(field)) {
        return 0;
    }
    return CGEventGetDoubleValueField(event_, static_cast<CGEventField>(field));
}

void MacEvent::setIntegerValue(EventField field, std::int64_t value) {
    if (event_ != nullptr && readable(field)) {
        CGEventSetIntegerValueField(event_, static_cast<CGEventField>(field), value);
    }
}

void MacEvent::setDoubleValue(EventField field, double value) {
    if (event_ != nullptr && readable(field)) {
        CGEventSetDoubleValueField(event_, static_cast<CGEventField>(field), value);
    }
}

EventFlags MacEvent::flags() const {
    return event_ != nullptr ? static_cast<EventFlags>(CGEventGetFlags(event_)) : 0;
}

std::uint64_t MacEvent::timestamp() const {
    return event_ != nullptr ? static_cast<std::uint64_t>(CGEventGetTimestamp(event_)) : 0;
}

Point MacEvent::location() const {
    if (event_ == nullptr) {
        return {};
    }
    const CGPoint point = CGEventGetLocation(event_);
    return Point{static_cast<double>(point.x), static_cast<double>(point.y)};
}

std::unique_ptr<Event> MacEvent::copy() const {
    if (event_ == nullptr) {
        return nullptr;
    }
    return adopting(CGEventCreateCopy(event_));
}

std::unique_ptr<Event> MacEvents::createScrollWheelEvent(ScrollEventUnit unit,
                                                         std::uint32_t wheelCount,
                                                         std::int32_t wheel1, std::int32_t wheel2,
                                                         std::int32_t wheel3) {
    if (wheelCount < 1 || wheelCount > 3) {
        return nullptr;
    }
    const CGScrollEventUnit units =
        unit == ScrollEventUnit::line ? kCGScrollEventUnitLine : kCGScrollEventUnitPixel;
    // No source: the event carries no keyboard state and is never posted.
    return MacEvent::adopting(
        CGEventCreateScrollWheelEvent2(nullptr, units, wheelCount, wheel1, wheel2, wheel3));
}

} // namespace platform::mac
