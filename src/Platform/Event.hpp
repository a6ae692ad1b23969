#pragma once

#include <cstdint>
#include <memory>

// Quartz events as the tap sees them: a type, numbered fields read and written as integers or
// real numbers, modifier flags, a timestamp and the pointer location.
namespace platform {

enum class EventType : std::uint32_t {
    null = 0,
    mouseMoved = 5,
    keyDown = 10,
    scrollWheel = 22,
    gesture = 29,
    // Delivered to a tap's callback when the system switched the tap off.
    tapDisabledByTimeout = 0xFFFFFFFE,
    tapDisabledByUserInput = 0xFFFFFFFF,
};

// One bit per event type, as taps name the events they want.
using EventMask = std::uint64_t;

constexpr EventMask eventMaskBit(EventType type) {
    auto bit = static_cast<std::uint32_t>(type);
    return bit < 64 ? EventMask{1} << bit : 0;
}

// Field numbers, the system's own. Any number 0 to 255 may be read; others read as 0.
using EventField = std::uint32_t;

namespace field {
inline constexpr EventField count = 256;

inline constexpr EventField scrollWheelEventDeltaAxis1 = 11;
inline constexpr EventField scrollWheelEventDeltaAxis2 = 12;
inline constexpr EventField scrollWheelEventDeltaAxis3 = 13;
inline constexpr EventField scrollWheelEventInstantMouser = 14;
inline constexpr EventField eventTargetProcessSerialNumber = 39;
inline constexpr EventField eventTargetUnixProcessID = 40;
inline constexpr EventField eventSourceUnixProcessID = 41;
inline constexpr EventField eventSourceUserData = 42;
inline constexpr EventField eventSourceUserID = 43;
inline constexpr EventField eventSourceGroupID = 44;
inline constexpr EventField eventSourceStateID = 45;
inline constexpr EventField scrollWheelEventIsContinuous = 88;
inline constexpr EventField mouseEventWindowUnderMousePointer = 91;
inline constexpr EventField mouseEventWindowUnderMousePointerThatCanHandleThisEvent = 92;
inline constexpr EventField scrollWheelEventFixedPtDeltaAxis1 = 93;
inline constexpr EventField scrollWheelEventFixedPtDeltaAxis2 = 94;
inline constexpr EventField scrollWheelEventFixedPtDeltaAxis3 = 95;
inline constexpr EventField scrollWheelEventPointDeltaAxis1 = 96;
inline constexpr EventField scrollWheelEventPointDeltaAxis2 = 97;
inline constexpr EventField scrollWheelEventPointDeltaAxis3 = 98;
inline constexpr EventField scrollWheelEventScrollPhase = 99;
inline constexpr EventField scrollWheelEventScrollCount = 100;
inline constexpr EventField scrollWheelEventMomentumPhase = 123;
} // namespace field

// Modifier flags of an event.
using EventFlags = std::uint64_t;

namespace flag {
inline constexpr EventFlags alphaShift = 0x10000;
inline constexpr EventFlags shift = 0x20000;
inline constexpr EventFlags control = 0x40000;
inline constexpr EventFlags alternate = 0x80000;
inline constexpr EventFlags command = 0x100000;
inline constexpr EventFlags nonCoalesced = 0x100;
} // namespace flag

struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
};

class Event {
public:
    virtual ~Event() = default;

    virtual EventType type() const = 0;

    virtual std::int64_t integerValue(EventField field) const = 0;
    virtual double doubleValue(EventField field) const = 0;
    // A write changes this event, the one that travels on when a tap returns it.
    virtual void setIntegerValue(EventField field, std::int64_t value) = 0;
    virtual void setDoubleValue(EventField field, double value) = 0;

    virtual EventFlags flags() const = 0;
    // Machine ticks or nanoseconds, depending on the machine; callers tell them apart.
    virtual std::uint64_t timestamp() const = 0;
    virtual Point location() const = 0;

    // An independent copy, never posted.
    virtual std::unique_ptr<Event> copy() const = 0;
};

enum class ScrollEventUnit : std::uint32_t { pixel = 0, line = 1 };

// Synthetic events that are made, examined and thrown away (the probe); never posted.
class Events {
public:
    virtual ~Events() = default;

    // One to three wheels (vertical, horizontal, depth); nothing for any other count.
    virtual std::unique_ptr<Event> createScrollWheelEvent(ScrollEventUnit unit,
                                                          std::uint32_t wheelCount,
                                                          std::int32_t wheel1, std::int32_t wheel2,
                                                          std::int32_t wheel3 = 0) = 0;
};

} // namespace platform
