#pragma once

#include "Platform/Event.hpp"

#include <CoreGraphics/CoreGraphics.h>

#include <memory>

namespace platform::mac {

// A Quartz event. One the tap's callback gets is borrowed (the system owns it and the wrapper
// lives on the callback's stack); copies and made events are owned and released.
class MacEvent final : public Event {
public:
    static MacEvent borrowing(CGEventRef event) noexcept { return MacEvent(event, false); }
    // Takes over a reference got from a Create or Copy function; nullptr for NULL.
    static std::unique_ptr<MacEvent> adopting(CGEventRef event);

    MacEvent(MacEvent&& other) noexcept;
    MacEvent& operator=(MacEvent&&) = delete;
    MacEvent(const MacEvent&) = delete;
    MacEvent& operator=(const MacEvent&) = delete;
    ~MacEvent() override;

    EventType type() const override;
    std::int64_t integerValue(EventField field) const override;
    double doubleValue(EventField field) const override;
    void setIntegerValue(EventField field, std::int64_t value) override;
    void setDoubleValue(EventField field, double value) override;
    EventFlags flags() const override;
    std::uint64_t timestamp() const override;
    Point location() const override;
    std::unique_ptr<Event> copy() const override;

    CGEventRef cgEvent() const noexcept { return event_; }

private:
    MacEvent(CGEventRef event, bool owned) noexcept : event_(event), owned_(owned) {}

    CGEventRef event_ = nullptr;
    bool owned_ = false;
};

// Synthetic scroll events, never posted.
class MacEvents final : public Events {
public:
    std::unique_ptr<Event> createScrollWheelEvent(ScrollEventUnit unit, std::uint32_t wheelCount,
                                                  std::int32_t wheel1, std::int32_t wheel2,
                                                  std::int32_t wheel3) override;
};

} // namespace platform::mac
