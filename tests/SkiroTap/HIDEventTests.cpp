#include "Platform/Simulated/SimulatedSystem.hpp"
#include "Skiro/Tap/HIDEvent.hpp"

#include <gtest/gtest.h>

namespace skiro {
namespace {

using namespace platform;
using namespace platform::simulated;
using corvale::json::Json;

TEST(HIDEventDevice, TrackpadsWithEveryFact) {
    SimulatedSystem system;
    VirtualDevice& builtIn = system.attach(DeviceDescription::builtInTrackpad());
    auto found = HIDEvent::device(system.registry(), builtIn.senderID());
    ASSERT_TRUE(found);
    EXPECT_EQ(found->kind, Device::trackpad);
    EXPECT_EQ(found->facts, (Json{{"class", "AppleMultitouchTrackpadHIDEventDriver"},
                                  {"trackpadDriver", true},
                                  {"scrollAcceleration", "HIDTrackpadScrollAcceleration"},
                                  {"PrimaryUsagePage", 0xFF00},
                                  {"PrimaryUsage", 3},
                                  {"VendorID", 0x05AC},
                                  {"ProductID", 0x0343},
                                  {"Transport", "SPI"}}));

    // On Bluetooth a generic service sends, under the trackpad driver.
    VirtualDevice& magic = system.attach(DeviceDescription::magicTrackpad());
    found = HIDEvent::device(system.registry(), magic.senderID());
    ASSERT_TRUE(found);
    EXPECT_EQ(found->kind, Device::trackpad);
    EXPECT_EQ(found->facts["class"], "AppleUserHIDEventService");
    EXPECT_EQ(found->facts["trackpadDriver"], true);
}

TEST(HIDEventDevice, KindFromDriverOrAccelerationElseMouse) {
    SimulatedSystem system;
    // The trackpad driver with a mouse's acceleration: still a trackpad.
    DeviceDescription driverOnly = DeviceDescription::builtInTrackpad();
    driverOnly.scrollAcceleration = "HIDMouseScrollAcceleration";
    // A trackpad's acceleration without the driver: a trackpad.
    DeviceDescription accelerationOnly = DeviceDescription::wheelMouse();
    accelerationOnly.scrollAcceleration = "HIDTrackpadScrollAcceleration";
    // Neither, and no acceleration type at all: a mouse.
    DeviceDescription bare = DeviceDescription::wheelMouse();
    bare.scrollAcceleration.reset();
    bare.transport.reset();
    bare.vendorID.reset();

    auto kind = [&](const DeviceDescription& description) {
        VirtualDevice& device = system.attach(description);
        auto found = HIDEvent::device(system.registry(), device.senderID());
        return found ? std::optional<Device>(found->kind) : std::nullopt;
    };
    EXPECT_EQ(kind(driverOnly), Device::trackpad);
    EXPECT_EQ(kind(accelerationOnly), Device::trackpad);
    EXPECT_EQ(kind(bare), Device::mouse);

    VirtualDevice& plain = system.attach(bare);
    auto facts = HIDEvent::device(system.registry(), plain.senderID())->facts;
    EXPECT_EQ(facts, (Json{{"class", "IOHIDEventDriver"},
                           {"trackpadDriver", false},
                           {"PrimaryUsagePage", 1},
                           {"PrimaryUsage", 2},
                           {"ProductID", 0xC077}}));
}

TEST(HIDEventDevice, PropertiesOfTheWrongTypeAreLeftOut) {
    SimulatedSystem system;
    SimulatedRegistry& registry = system.simulatedRegistry();
    std::uint64_t id =
        registry.add({"IOHIDEventDriver",
                      {{"HIDScrollAccelerationType", std::int64_t{1}}, // not text: counts as none
                       {"VendorID", std::string("0x46d")},
                       {"ProductID", 49271.0}, // a whole real number counts
                       {"PrimaryUsage", 2.5},  // not whole: left out
                       {"Transport", std::int64_t{3}}},
                      std::nullopt});
    auto found = HIDEvent::device(system.registry(), id);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->kind, Device::mouse);
    EXPECT_EQ(
        found->facts,
        (Json{{"class", "IOHIDEventDriver"}, {"trackpadDriver", false}, {"ProductID", 49271}}));

    EXPECT_EQ(HIDEvent::device(system.registry(), 0xDEAD), std::nullopt);
    // A sender the registry has no service for.
    VirtualDevice& stranger = system.attach([] {
        DeviceDescription d = DeviceDescription::wheelMouse();
        d.registered = false;
        return d;
    }());
    EXPECT_EQ(HIDEvent::device(system.registry(), stranger.senderID()), std::nullopt);
}

TEST(HIDEventScrollDevices, EveryServiceWithATextAccelerationType) {
    SimulatedSystem system;
    VirtualDevice& trackpad = system.attach(DeviceDescription::builtInTrackpad());
    VirtualDevice& magic = system.attach(DeviceDescription::magicTrackpad());
    VirtualDevice& mouse = system.attach(DeviceDescription::wheelMouse());
    VirtualDevice& magicMouse = system.attach(DeviceDescription::magicMouse());
    DeviceDescription noAcceleration = DeviceDescription::wheelMouse();
    noAcceleration.scrollAcceleration.reset();
    system.attach(noAcceleration);
    // A mouse acceleration under the trackpad driver counts as a trackpad.
    DeviceDescription underDriver = DeviceDescription::magicTrackpad();
    underDriver.scrollAcceleration = "HIDMouseScrollAcceleration";
    VirtualDevice& driven = system.attach(underDriver);

    auto devices = HIDEvent::scrollDevices(system.registry());
    EXPECT_EQ(devices,
              (std::unordered_map<std::uint64_t, Device>{{trackpad.senderID(), Device::trackpad},
                                                         {magic.senderID(), Device::trackpad},
                                                         {mouse.senderID(), Device::mouse},
                                                         {magicMouse.senderID(), Device::mouse},
                                                         {driven.senderID(), Device::trackpad}}));

    system.simulatedRegistry().setWalkFails(true);
    EXPECT_TRUE(HIDEvent::scrollDevices(system.registry()).empty());
}

} // namespace
} // namespace skiro
