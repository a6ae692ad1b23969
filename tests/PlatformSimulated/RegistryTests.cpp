// The simulated device registry, as device identification asks it: a service by entry ID, its
// class and its parent's, its properties, and a walk over every entry.
#include "Platform/Simulated/SimulatedSystem.hpp"

#include <gtest/gtest.h>

namespace platform::simulated {
namespace {

constexpr std::string_view trackpadDriver = "AppleMultitouchTrackpadHIDEventDriver";

TEST(SimulatedRegistry, UnknownSendersCustomClassesAndOddProperties) {
    SimulatedSystem system;
    SimulatedRegistry& registry = system.simulatedRegistry();

    DeviceDescription stranger = DeviceDescription::wheelMouse();
    stranger.registered = false;
    VirtualDevice& unknown = system.attach(stranger);
    EXPECT_NE(unknown.senderID(), 0u);
    EXPECT_FALSE(registry.service(unknown.senderID()));

    // A driver of its own that derives from the trackpad driver, with a mouse's acceleration.
    registry.defineClass("VendorTrackpadDriver", std::string(trackpadDriver));
    DeviceDescription vendor = DeviceDescription::wheelMouse();
    vendor.className = "VendorTrackpadDriver";
    vendor.parentClassName.reset();
    VirtualDevice& custom = system.attach(vendor);
    auto service = registry.service(custom.senderID());
    ASSERT_TRUE(service);
    EXPECT_TRUE(registry.conformsTo(*service, trackpadDriver));
    EXPECT_EQ(registry.parent(*service, registry::servicePlane), RegistryEntry{registry.root()});

    // Properties of the wrong type stay as they are; the reader decides what counts.
    std::uint64_t odd = registry.add(
        {"IOHIDEventDriver",
         {{"HIDScrollAccelerationType", std::int64_t{3}}, {"VendorID", std::string("Apple")}},
         std::nullopt});
    EXPECT_EQ(registry.property({odd}, "HIDScrollAccelerationType"),
              RegistryProperty{std::int64_t{3}});

    DeviceDescription bare = DeviceDescription::wheelMouse();
    bare.scrollAcceleration.reset();
    bare.transport.reset();
    auto bareService = registry.service(system.attach(bare).senderID());
    EXPECT_FALSE(registry.property(*bareService, "HIDScrollAccelerationType"));
    EXPECT_FALSE(registry.property(*bareService, "Transport"));

    std::string longName(200, 'x');
    std::uint64_t longClass = registry.add({longName, {}, std::nullopt});
    EXPECT_EQ(registry.className({longClass}).size(), registry::classNameLimit);
}

TEST(SimulatedRegistry, WalksEveryEntryAndForgetsDetachedDevices) {
    SimulatedSystem system;
    VirtualDevice& trackpad = system.attach(DeviceDescription::builtInTrackpad());
    VirtualDevice& mouse = system.attach(DeviceDescription::wheelMouse());
    const Registry& registry = system.registry();

    auto all = registry.entries(registry::servicePlane);
    ASSERT_TRUE(all);
    // The root, and each device's parent and service.
    EXPECT_EQ(all->size(), 5u);
    std::vector<std::uint64_t> accelerated;
    for (RegistryEntry entry : *all) {
        if (registry.property(entry, "HIDScrollAccelerationType")) {
            accelerated.push_back(registry.entryID(entry));
        }
    }
    EXPECT_EQ(accelerated, (std::vector<std::uint64_t>{trackpad.senderID(), mouse.senderID()}));

    system.detach(trackpad);
    EXPECT_FALSE(registry.service(trackpad.senderID()));
    EXPECT_EQ(registry.entries(registry::servicePlane)->size(), 3u);
    EXPECT_TRUE(system.post(trackpad, Scroll{1}).delivered) << "a detached device still scrolls";

    system.simulatedRegistry().setWalkFails(true);
    EXPECT_FALSE(registry.entries(registry::servicePlane));
    EXPECT_FALSE(registry.entries("IODeviceTree"));
}

} // namespace
} // namespace platform::simulated
