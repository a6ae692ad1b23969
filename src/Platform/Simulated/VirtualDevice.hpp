#pragma once

#include "Platform/Event.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::simulated {

// How a device scrolls.
enum class ScrollStyle {
    gestures,    // continuous, in gestures with phases and momentum (trackpads, multitouch mice)
    wheel,       // line by line, no phases
    smoothWheel, // continuous, but without phases (a mouse with a smooth-scrolling wheel)
};

// A device as the registry knows it. Optional properties are left out of its entry.
struct DeviceDescription {
    ScrollStyle style = ScrollStyle::wheel;
    // False: the registry has no entry for the device's sender.
    bool registered = true;
    std::string className;
    std::optional<std::string> scrollAcceleration; // "HIDScrollAccelerationType"
    std::optional<std::int64_t> primaryUsagePage;
    std::optional<std::int64_t> primaryUsage;
    std::optional<std::int64_t> vendorID;
    std::optional<std::int64_t> productID;
    std::optional<std::string> transport;
    // The class of the service's parent in the service plane; under the root when absent.
    std::optional<std::string> parentClassName;

    // A built-in trackpad: the multitouch trackpad driver itself sends.
    static DeviceDescription builtInTrackpad();
    // A trackpad on Bluetooth: a generic event service sends, under the trackpad driver.
    static DeviceDescription magicTrackpad();
    // A USB wheel mouse.
    static DeviceDescription wheelMouse();
    // A Bluetooth mouse whose wheel scrolls smoothly (continuous, no phases).
    static DeviceDescription smoothMouse();
    // A multitouch mouse: scrolls in gestures like a trackpad, but is a mouse.
    static DeviceDescription magicMouse();
};

// One scroll as a device produces it, in the device's own direction (positive vertical is the
// fingers moving up or the wheel turned away). Points for continuous devices, lines for wheels.
struct Scroll {
    double vertical = 0;
    double horizontal = 0;
    std::int64_t phase = 0; // gesture phase: 1 began, 2 changed, 4 ended, 8 canceled, 128 mayBegin
    std::int64_t momentum = 0; // momentum phase: 1 began, 2 continued, 3 ended
    EventFlags flags = 0;
    std::int64_t count = 0; // scroll count, field 100
};

// A scroll posted by a program: no device, no HID event, and the deltas exactly as given (the
// system's direction is not applied).
struct SoftwareScroll {
    double vertical = 0; // points when continuous, lines otherwise
    double horizontal = 0;
    bool continuous = false;
    std::int64_t phase = 0;
    std::int64_t momentum = 0;
    EventFlags flags = 0;
    bool systemTurned = false;
    std::int32_t process = 0; // the posting program, field 41
};

class VirtualDevice {
public:
    VirtualDevice(DeviceDescription description, std::uint64_t senderID);

    const DeviceDescription& description() const { return description_; }
    ScrollStyle style() const { return description_.style; }
    bool continuous() const { return description_.style != ScrollStyle::wheel; }
    // The sender ID of its HID events: its service's registry entry ID when registered.
    std::uint64_t senderID() const { return senderID_; }

private:
    DeviceDescription description_;
    std::uint64_t senderID_;
};

namespace gestures {
// A two-finger swipe of (vertical, horizontal) points: mayBegin, began, changed steps, ended,
// then momentum began, continued steps and ended, the momentum adding a decaying tail.
std::vector<Scroll> swipe(double vertical, double horizontal, int changedSteps = 6,
                          int momentumSteps = 5);
// A gesture that ends without momentum (fingers lifted at rest).
std::vector<Scroll> swipeWithoutMomentum(double vertical, double horizontal, int changedSteps = 6);
// `count` wheel steps of the same movement (lines, or points for a smooth wheel).
std::vector<Scroll> wheelSteps(int count, double vertical, double horizontal = 0,
                               EventFlags flags = 0);
} // namespace gestures

} // namespace platform::simulated
