// The simulated device registry, as device identification asks it: a service by entry ID, its
// class and its parent's, and a walk over every entry.
#include "Platform/Simulated/SimulatedSystem.hpp"

#include <gtest/gtest.h>

namespace platform::simulated {
namespace {

constexpr std::string_view trackpadDriver = "AppleMultitouchTrackpadHIDEventDriver";

TEST(SimulatedRegistry, CustomClassesAndLongClassNames) {
    SimulatedSystem system;
    SimulatedRegistry& registry = system.simulatedRegistry();

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

    std::string longName(200, 'x');
    std::uint64_t longClass = registry.add({longName, {}, std::nullopt});
    EXPECT_EQ(registry.className({longClass}).size(), registry::classNameLimit);
}

TEST(SimulatedRegistry, ForgetsDetachedDevices) {
    SimulatedSystem system;
    VirtualDevice& trackpad = system.attach(DeviceDescription::builtInTrackpad());
    system.attach(DeviceDescription::wheelMouse());
    const Registry& registry = system.registry();

    auto all = registry.entries(registry::servicePlane);
    ASSERT_TRUE(all);
    // The root, and each device's parent and service.
    EXPECT_EQ(all->size(), 5u);
    system.detach(trackpad);
    EXPECT_FALSE(registry.service(trackpad.senderID()));
    EXPECT_EQ(registry.entries(registry::servicePlane)->size(), 3u);
    EXPECT_TRUE(system.post(trackpad, Scroll{1}).delivered) << "a detached device still scrolls";
}

} // namespace
} // namespace platform::simulated
