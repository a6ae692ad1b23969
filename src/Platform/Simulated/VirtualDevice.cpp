#include "Platform/Simulated/VirtualDevice.hpp"

namespace platform::simulated {

DeviceDescription DeviceDescription::builtInTrackpad() {
    DeviceDescription d;
    d.style = ScrollStyle::gestures;
    d.className = "AppleMultitouchTrackpadHIDEventDriver";
    d.scrollAcceleration = "HIDTrackpadScrollAcceleration";
    d.primaryUsagePage = 0xFF00;
    d.primaryUsage = 3;
    d.vendorID = 0x05AC;
    d.productID = 0x0343;
    d.transport = "SPI";
    d.parentClassName = "AppleMultitouchDevice";
    return d;
}

DeviceDescription DeviceDescription::magicTrackpad() {
    DeviceDescription d = builtInTrackpad();
    d.className = "AppleUserHIDEventService";
    d.productID = 0x0265;
    d.transport = "Bluetooth";
    d.parentClassName = "AppleMultitouchTrackpadHIDEventDriver";
    return d;
}

DeviceDescription DeviceDescription::wheelMouse() {
    DeviceDescription d;
    d.style = ScrollStyle::wheel;
    d.className = "IOHIDEventDriver";
    d.scrollAcceleration = "HIDMouseScrollAcceleration";
    d.primaryUsagePage = 1;
    d.primaryUsage = 2;
    d.vendorID = 0x046D;
    d.productID = 0xC077;
    d.transport = "USB";
    d.parentClassName = "IOHIDInterface";
    return d;
}

DeviceDescription DeviceDescription::smoothMouse() {
    DeviceDescription d = wheelMouse();
    d.style = ScrollStyle::smoothWheel;
    d.productID = 0xB023;
    d.transport = "Bluetooth Low Energy";
    return d;
}

DeviceDescription DeviceDescription::magicMouse() {
    DeviceDescription d;
    d.style = ScrollStyle::gestures;
    d.className = "AppleMultitouchMouseHIDEventDriver";
    d.scrollAcceleration = "HIDMouseScrollAcceleration";
    d.primaryUsagePage = 1;
    d.primaryUsage = 2;
    d.vendorID = 0x05AC;
    d.productID = 0x0269;
    d.transport = "Bluetooth";
    d.parentClassName = "AppleMultitouchDevice";
    return d;
}

VirtualDevice::VirtualDevice(DeviceDescription description, std::uint64_t senderID)
    : description_(std::move(description)), senderID_(senderID) {}

namespace gestures {

namespace {

constexpr std::int64_t mayBegin = 128;
constexpr std::int64_t began = 1;
constexpr std::int64_t changed = 2;
constexpr std::int64_t ended = 4;
constexpr std::int64_t momentumBegan = 1;
constexpr std::int64_t momentumContinued = 2;
constexpr std::int64_t momentumEnded = 3;

void fingers(std::vector<Scroll>& into, double vertical, double horizontal, int changedSteps) {
    int moving = changedSteps + 1;
    double v = vertical / moving;
    double h = horizontal / moving;
    into.push_back({0, 0, mayBegin, 0, 0, 0});
    into.push_back({v, h, began, 0, 0, 0});
    for (int i = 0; i < changedSteps; ++i) {
        into.push_back({v, h, changed, 0, 0, 0});
    }
    into.push_back({0, 0, ended, 0, 0, 0});
}

} // namespace

std::vector<Scroll> swipe(double vertical, double horizontal, int changedSteps, int momentumSteps) {
    std::vector<Scroll> scrolls;
    fingers(scrolls, vertical, horizontal, changedSteps);
    int moving = changedSteps + 1;
    double v = vertical / moving;
    double h = horizontal / moving;
    for (int i = 0; i <= momentumSteps; ++i) {
        v *= 0.7;
        h *= 0.7;
        scrolls.push_back({v, h, 0, i == 0 ? momentumBegan : momentumContinued, 0, 0});
    }
    scrolls.push_back({0, 0, 0, momentumEnded, 0, 0});
    return scrolls;
}

std::vector<Scroll> swipeWithoutMomentum(double vertical, double horizontal, int changedSteps) {
    std::vector<Scroll> scrolls;
    fingers(scrolls, vertical, horizontal, changedSteps);
    return scrolls;
}

std::vector<Scroll> wheelSteps(int count, double vertical, double horizontal, EventFlags flags) {
    std::vector<Scroll> scrolls;
    for (int i = 0; i < count; ++i) {
        scrolls.push_back({vertical, horizontal, 0, 0, flags, 1});
    }
    return scrolls;
}

} // namespace gestures

} // namespace platform::simulated
