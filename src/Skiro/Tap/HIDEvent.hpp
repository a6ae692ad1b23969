#pragma once

#include "CorvaleCore/Json.hpp"
#include "Platform/HIDEvent.hpp"
#include "Platform/Registry.hpp"
#include "SkiroCore/Scrolling.hpp"

#include <cstdint>
#include <optional>
#include <unordered_map>

// The HID event behind a scroll, and what the device registry says about the device that sent
// it. The registry can be slow: nothing here is for the tap thread except `Functions`.
namespace skiro::HIDEvent {

// The four functions that reach the HID event, looked up by name once per system; each is
// nullptr when the system does not provide it.
struct Functions {
    platform::CopyIOHIDEventFunction copyFunction = nullptr;
    platform::IOHIDEventGetSenderIDFunction senderFunction = nullptr;
    platform::IOHIDEventGetFloatValueFunction getFloat = nullptr;
    platform::IOHIDEventSetFloatValueFunction setFloat = nullptr;
    platform::ReleaseIOHIDEventFunction release = nullptr;

    static Functions lookUp(const platform::Symbols& symbols);

    // The HID event behind `event`, owned by the handle; empty when there is none or the copy
    // function is missing.
    platform::HIDEventRef copy(platform::Event& event) const {
        return platform::HIDEventRef(copyFunction != nullptr ? copyFunction(event) : nullptr,
                                     release);
    }

    // For diagnostics: whether the system provides the four (the release function comes with
    // every system).
    bool allFound() const { return copyFunction && senderFunction && getFloat && setFloat; }
    // A HID value, 0 when the function to read it is missing.
    double value(platform::IOHIDEvent* hid, std::uint32_t field) const {
        return getFloat != nullptr ? getFloat(hid, field) : 0.0;
    }
};

inline constexpr std::uint32_t fieldScrollX = platform::hid::fieldScrollX; // horizontal
inline constexpr std::uint32_t fieldScrollY = platform::hid::fieldScrollY; // vertical

// What the registry says about one sender.
struct Device {
    skiro::Device kind = skiro::Device::mouse;
    // For recordings: "class", "trackpadDriver", and when present with the right type
    // "scrollAcceleration", "PrimaryUsagePage", "PrimaryUsage", "VendorID", "ProductID",
    // "Transport".
    corvale::json::Json facts = corvale::json::Json::object();

    bool operator==(const Device&) const = default;
};

// The service whose registry entry ID is `sender`, or nothing. Blocking: never on the tap
// thread.
std::optional<Device> device(const platform::Registry& registry, std::uint64_t sender);

// Every service that scrolls (it has a text acceleration type), by entry ID; empty when the
// registry cannot be walked. Blocking.
std::unordered_map<std::uint64_t, skiro::Device> scrollDevices(const platform::Registry& registry);

} // namespace skiro::HIDEvent
