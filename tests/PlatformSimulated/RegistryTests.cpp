// The simulated device registry, as device identification asks it: a service by entry ID, its
// class and its parent's, and a walk over the entries with a property.
#include "Platform/Simulated/SimulatedSystem.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace platform::simulated {
namespace {

constexpr std::string_view trackpadDriver = "AppleMultitouchTrackpadHIDEventDriver";
constexpr std::string_view acceleration = "HIDScrollAccelerationType";

std::vector<std::uint64_t> ids(const std::vector<RegistryEntry>& entries) {
    std::vector<std::uint64_t> found;
    for (RegistryEntry entry : entries) {
        found.push_back(entry.handle);
    }
    return found;
}

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

    auto all = registry.entries(registry::servicePlane, acceleration);
    ASSERT_TRUE(all);
    // Each device's service; not the root nor the parents, which have no acceleration.
    EXPECT_EQ(all->size(), 2u);
    system.detach(trackpad);
    EXPECT_FALSE(registry.service(trackpad.senderID()));
    EXPECT_EQ(registry.entries(registry::servicePlane, acceleration)->size(), 1u);
    EXPECT_TRUE(system.post(trackpad, Scroll{1}).delivered) << "a detached device still scrolls";
}

// The registry changes while a walk is under way (a device comes, another goes): the iterator
// goes invalid and ends early, so the walk starts again and misses neither.
TEST(SimulatedRegistry, AWalkTheRegistryChangesUnderStartsAgainAndEndsWithTheNewTree) {
    SimulatedSystem system;
    SimulatedRegistry& registry = system.simulatedRegistry();
    VirtualDevice& trackpad = system.attach(DeviceDescription::builtInTrackpad());
    VirtualDevice& mouse = system.attach(DeviceDescription::wheelMouse());
    VirtualDevice* added = nullptr;
    registry.changeDuringNextWalk(2, [&] {
        added = &system.attach(DeviceDescription::wheelMouse());
        system.detach(mouse);
    });
    const int passes = registry.walkPasses();

    auto found = registry.entries(registry::servicePlane, acceleration);
    ASSERT_TRUE(found);
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(ids(*found), (std::vector<std::uint64_t>{trackpad.senderID(), added->senderID()}));
    EXPECT_EQ(registry.walkPasses() - passes, 2);
}

TEST(SimulatedRegistry, AWalkThatNeverGetsThroughUnchangedGivesNothing) {
    SimulatedSystem system;
    SimulatedRegistry& registry = system.simulatedRegistry();
    system.attach(DeviceDescription::wheelMouse());
    std::function<void()> churn = [&] {
        registry.add({"IOService", {}, std::nullopt});
        registry.changeDuringNextWalk(1, churn);
    };
    registry.changeDuringNextWalk(1, churn);
    const int passes = registry.walkPasses();

    EXPECT_FALSE(registry.entries(registry::servicePlane, acceleration));
    EXPECT_EQ(registry.walkPasses() - passes, registry::walkAttempts);
    registry.changeDuringNextWalk(0, nullptr);
}

} // namespace
} // namespace platform::simulated
