#pragma once

#include "Platform/Event.hpp"
#include "Platform/HIDEvent.hpp"

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>

namespace platform {

// The simulation's HID event: what the device reported, in its own direction.
struct IOHIDEvent {
    std::uint64_t senderID = 0;
    double scrollX = 0;
    double scrollY = 0;
    double scrollZ = 0;
    // Copies handed out and not yet released: what a leak would leave behind.
    int held = 0;

    bool operator==(const IOHIDEvent& other) const {
        return senderID == other.senderID && scrollX == other.scrollX && scrollY == other.scrollY &&
               scrollZ == other.scrollZ;
    }
};

} // namespace platform

namespace platform::simulated {

// The three measures of one axis: whole lines, lines as a real number, and points.
struct Measures {
    std::int64_t line = 0;
    double fixed = 0;
    std::int64_t point = 0;

    bool operator==(const Measures&) const = default;
};

// How the simulated system turns a movement into the three measures, one rule for every
// device and every recomputation, so that the measures of one event always agree.
inline constexpr double pointsPerLine = 10;
// Whole lines of a real line count: toward zero, but at least one line for any movement.
std::int64_t wholeLines(double lines);
Measures measuresFromPoints(double points);
Measures measuresFromLines(double lines);

// How writes to the delta fields behave. By default each field is independent. A system that
// keeps an axis's measures consistent recomputes the other two when one is written; writes to
// `ignored` fields are dropped (the field keeps its value).
struct FieldWriteRules {
    bool lineRecomputes = false;
    bool fixedRecomputes = false;
    bool pointRecomputes = false;
    std::bitset<field::count> ignored;

    static FieldWriteRules independent() { return {}; }
    static FieldWriteRules recomputing() { return {true, true, true, {}}; }

    bool operator==(const FieldWriteRules&) const = default;
};

// A Quartz event of the simulated system. Each field holds one value, written as an integer
// or as a real number and readable as either: a real read as an integer is cut toward zero
// (saturating), an integer read as a real is converted.
class SimulatedEvent final : public Event {
public:
    explicit SimulatedEvent(EventType type = EventType::null);

    EventType type() const override { return type_; }
    std::int64_t integerValue(EventField field) const override;
    double doubleValue(EventField field) const override;
    void setIntegerValue(EventField field, std::int64_t value) override;
    void setDoubleValue(EventField field, double value) override;
    EventFlags flags() const override { return flags_; }
    std::uint64_t timestamp() const override { return timestamp_; }
    Point location() const override { return location_; }
    std::unique_ptr<Event> copy() const override;

    // The system's side: set without the write rules.
    void setType(EventType type) { type_ = type; }
    void setFlags(EventFlags flags) { flags_ = flags; }
    void setTimestamp(std::uint64_t timestamp) { timestamp_ = timestamp; }
    void setLocation(Point location) { location_ = location; }
    void storeInteger(EventField field, std::int64_t value);
    void storeDouble(EventField field, double value);
    void setWriteRules(const FieldWriteRules& rules) { rules_ = rules; }

    // Axis 0 is vertical (fields 11, 93, 96), axis 1 horizontal (12, 94, 97).
    Measures measures(int axis) const;
    void storeMeasures(int axis, Measures measures);

    // The HID event behind the event; scrolls posted by software have none.
    IOHIDEvent* hidEvent() { return hasHID_ ? &hid_ : nullptr; }
    const IOHIDEvent* hidEvent() const { return hasHID_ ? &hid_ : nullptr; }
    void setHIDEvent(const IOHIDEvent& hid);
    void removeHIDEvent() { hasHID_ = false; }

    // Whether the system applied natural scrolling to the deltas (the application framework
    // reports it).
    bool systemTurned() const { return systemTurned_; }
    void setSystemTurned(bool turned) { systemTurned_ = turned; }

    // Which scroll of the system this is (1 for the first made), 0 for synthetic events.
    std::uint64_t serial() const { return serial_; }
    void setSerial(std::uint64_t serial) { serial_ = serial; }

private:
    void recompute(EventField written);

    EventType type_;
    EventFlags flags_ = 0;
    std::uint64_t timestamp_ = 0;
    Point location_;
    std::array<std::uint64_t, field::count> bits_{};
    std::bitset<field::count> real_;
    FieldWriteRules rules_;
    IOHIDEvent hid_;
    bool hasHID_ = false;
    bool systemTurned_ = false;
    std::uint64_t serial_ = 0;
};

} // namespace platform::simulated
