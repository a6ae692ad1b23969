#pragma once

#include "Platform/Event.hpp"

#include <cstdint>
#include <string_view>

// The HID event behind a scroll: the device's own report, with the sender (the registry entry
// ID of the device's service) and the movement in the device's own direction. It is reached
// through four functions that may or may not exist on a given system, so callers look them up
// by name and live without the ones that are missing.
namespace platform {

// Opaque; each backend defines it.
struct IOHIDEvent;

// The HID event behind `event`, or nullptr (a scroll posted by software has none). The caller
// owns what it returns and hands it to the release function when done with the scroll.
using CopyIOHIDEventFunction = IOHIDEvent* (*)(Event& event);
using ReleaseIOHIDEventFunction = void (*)(IOHIDEvent* hid);
using IOHIDEventGetSenderIDFunction = std::uint64_t (*)(IOHIDEvent* hid);
using IOHIDEventGetFloatValueFunction = double (*)(IOHIDEvent* hid, std::uint32_t field);
using IOHIDEventSetFloatValueFunction = void (*)(IOHIDEvent* hid, std::uint32_t field,
                                                 double value);

namespace hid {
inline constexpr std::string_view copyIOHIDEventName = "CGEventCopyIOHIDEvent";
inline constexpr std::string_view getSenderIDName = "IOHIDEventGetSenderID";
inline constexpr std::string_view getFloatValueName = "IOHIDEventGetFloatValue";
inline constexpr std::string_view setFloatValueName = "IOHIDEventSetFloatValue";
inline constexpr std::string_view releaseName = "CFRelease";

// Scroll event type 6, shifted left by 16, plus the field index.
inline constexpr std::uint32_t fieldScrollX = 0x60000; // horizontal
inline constexpr std::uint32_t fieldScrollY = 0x60001; // vertical
inline constexpr std::uint32_t fieldScrollZ = 0x60002;
} // namespace hid

// One copied HID event, released when the handle goes, so that no path through a scroll can
// leak it. Moving costs two pointers and allocates nothing.
class HIDEventRef {
public:
    HIDEventRef() = default;
    HIDEventRef(IOHIDEvent* hid, ReleaseIOHIDEventFunction release) noexcept
        : hid_(hid), release_(release) {}
    HIDEventRef(HIDEventRef&& other) noexcept : hid_(other.hid_), release_(other.release_) {
        other.hid_ = nullptr;
    }
    HIDEventRef& operator=(HIDEventRef&& other) noexcept {
        if (this != &other) {
            reset();
            hid_ = other.hid_;
            release_ = other.release_;
            other.hid_ = nullptr;
        }
        return *this;
    }
    HIDEventRef(const HIDEventRef&) = delete;
    HIDEventRef& operator=(const HIDEventRef&) = delete;
    ~HIDEventRef() { reset(); }

    IOHIDEvent* get() const { return hid_; }
    explicit operator bool() const { return hid_ != nullptr; }

    void reset() noexcept {
        if (hid_ != nullptr && release_ != nullptr) {
            release_(hid_);
        }
        hid_ = nullptr;
    }

private:
    IOHIDEvent* hid_ = nullptr;
    ReleaseIOHIDEventFunction release_ = nullptr;
};

// The process's symbol table: a function by name, or nullptr when no such name exists.
class Symbols {
public:
    using Address = void (*)();

    virtual ~Symbols() = default;
    virtual Address lookup(std::string_view name) const = 0;

    template <class Function>
    Function function(std::string_view name) const {
        return reinterpret_cast<Function>(lookup(name));
    }
};

} // namespace platform
