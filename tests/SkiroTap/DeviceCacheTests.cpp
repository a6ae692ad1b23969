// Telling trackpads from mice without waiting for the registry on the tap thread: guesses by
// shape, one lookup per sender at a time on another queue, the answers kept, and a back-off for
// senders the registry does not know.
#include "Harness.hpp"

#include <gtest/gtest.h>

namespace skiro {
namespace {

using namespace test;
using platform::simulated::gestures::swipe;
using namespace std::chrono_literals;

// Trackpad turned, mouse left as the (natural) system has it: what is turned tells the device.
const Directions trackpadOnly{Direction::standard, Direction::standard, Direction::natural,
                              Direction::natural};

TEST(DeviceCache, AnUnseenSenderIsGuessedByShapeWhileOneLookupRuns) {
    TapHarness h;
    // A multitouch mouse scrolls in gestures: its shape says trackpad, the registry mouse.
    VirtualDevice& magicMouse = h.system.attach(DeviceDescription::magicMouse());
    const std::uint64_t sender = magicMouse.senderID();
    h.tap->setSettings(turning(trackpadOnly));

    h.closeLookups();
    std::vector<Scroll> first = swipe(30, 0);
    h.system.post(magicMouse, std::vector<Scroll>(first.begin(), first.begin() + 5));
    InputTap::Stats stats = h.stats();
    EXPECT_EQ(stats.trackpad, 5);
    EXPECT_EQ(stats.trackpadTurned, 4);
    EXPECT_TRUE(h.onTap([&] { return h.tap->isLookingUp(sender); }));
    EXPECT_EQ(h.onTap([&] { return h.tap->knownDevice(sender); }), std::nullopt);

    h.openLookups();
    h.settle();
    EXPECT_EQ(h.system.simulatedRegistry().serviceLookups(), 1) << "one lookup for five scrolls";
    EXPECT_EQ(h.onTap([&] { return h.tap->knownDevice(sender); }), Device::mouse);
    EXPECT_FALSE(h.onTap([&] { return h.tap->isLookingUp(sender); }));

    // From now on the registry's answer: a mouse, left alone.
    for (const PostResult& result : h.system.post(magicMouse, swipe(-30, 0))) {
        EXPECT_EQ(*result.delivered, result.made);
    }
    h.settle();
    stats = h.stats();
    EXPECT_EQ(stats.mouse, 16);
    EXPECT_EQ(stats.mouseTurned, 0);
    EXPECT_EQ(h.system.simulatedRegistry().serviceLookups(), 1);
}

TEST(DeviceCache, WheelsAndSmoothWheelsAreMiceByShape) {
    TapHarness h;
    VirtualDevice& wheel = h.system.attach(DeviceDescription::wheelMouse());
    VirtualDevice& smooth = h.system.attach(DeviceDescription::smoothMouse());
    VirtualDevice& trackpad = h.system.attach(DeviceDescription::builtInTrackpad());
    h.tap->setSettings(turning(trackpadOnly));
    h.closeLookups();

    h.system.post(wheel, Scroll{2, 0, 0, 0, 0, 1});
    // Continuous, but without phases: not part of a gesture.
    h.system.post(smooth, Scroll{14, 0, 0, 0, 0, 0});
    // A trackpad's scroll outside a gesture looks like a smooth wheel, too.
    h.system.post(trackpad, Scroll{14, 0, 0, 0, 0, 0});
    h.system.post(trackpad, Scroll{14, 0, 2, 0, 0, 0});
    h.system.post(trackpad, Scroll{4, 0, 0, 2, 0, 0});
    InputTap::Stats stats = h.stats();
    EXPECT_EQ(stats.mouse, 3);
    EXPECT_EQ(stats.trackpad, 2);

    h.openLookups();
    h.settle();
    EXPECT_EQ(h.system.simulatedRegistry().serviceLookups(), 3);
    h.onTap([&] {
        EXPECT_EQ(h.tap->knownDevice(wheel.senderID()), Device::mouse);
        EXPECT_EQ(h.tap->knownDevice(smooth.senderID()), Device::mouse);
        EXPECT_EQ(h.tap->knownDevice(trackpad.senderID()), Device::trackpad);
    });
    h.system.post(trackpad, Scroll{14, 0, 0, 0, 0, 0});
    EXPECT_EQ(h.stats().trackpadTurned, 3);
}

TEST(DeviceCache, ASenderTheRegistryDoesNotKnowIsAskedAgainOnlyAfterAQuarterSecond) {
    TapHarness h;
    DeviceDescription unregistered = DeviceDescription::wheelMouse();
    unregistered.registered = false;
    VirtualDevice& stranger = h.system.attach(unregistered);
    const std::uint64_t sender = stranger.senderID();
    h.tap->setSettings(turning(trackpadOnly));
    auto lookups = [&] {
        h.settle();
        return h.system.simulatedRegistry().serviceLookups();
    };
    auto scroll = [&] { h.system.post(stranger, Scroll{1, 0, 0, 0, 0, 1}); };

    scroll();
    EXPECT_EQ(lookups(), 1);
    EXPECT_EQ(h.stats().unknownSenders, 1);
    EXPECT_TRUE(h.onTap([&] { return h.tap->isUnknown(sender); }));

    h.system.simulatedClock().advance(100ms);
    scroll();
    EXPECT_EQ(lookups(), 1) << "0.1 s after the refusal";
    h.system.simulatedClock().advance(200ms);
    scroll();
    EXPECT_EQ(lookups(), 2) << "0.3 s after the refusal";
    EXPECT_EQ(h.stats().unknownSenders, 1) << "a sender counts once";

    // The second refusal is noted at the latest guessed scroll: another 0.25 s from there.
    h.system.simulatedClock().advance(249ms);
    scroll();
    EXPECT_EQ(lookups(), 2);
    h.system.simulatedClock().advance(1ms);
    scroll();
    EXPECT_EQ(lookups(), 3);
    InputTap::Stats stats = h.stats();
    EXPECT_EQ(stats.unknownSenders, 1);
    EXPECT_EQ(stats.mouse, 5);
}

TEST(DeviceCache, SenderZeroIsAMouseAndNeverLookedUp) {
    TapHarness h;
    VirtualDevice& trackpad = h.system.attach(DeviceDescription::builtInTrackpad());
    h.tap->setSettings(turning(trackpadOnly));
    SimulatedEvent event = h.system.makeScroll(trackpad, Scroll{20, 0, 2, 0, 0, 0});
    event.hidEvent()->senderID = 0;
    h.system.route(event);
    h.settle();
    EXPECT_EQ(h.stats().mouse, 1);
    EXPECT_EQ(h.system.simulatedRegistry().serviceLookups(), 0);
    EXPECT_FALSE(h.onTap([&] { return h.tap->isLookingUpAny(); }));
}

TEST(DeviceCache, WithTestHooksASyntheticScrollCarriesItsSender) {
    for (bool hooks : {true, false}) {
        TapHarness h({.testHooks = hooks});
        VirtualDevice& trackpad = h.system.attach(DeviceDescription::builtInTrackpad());
        h.onTap([&] { h.tap->mergeDevices({{trackpad.senderID(), Device::trackpad}}); });
        h.tap->setSettings(turning(trackpadOnly));
        SimulatedEvent event = h.system.makeScroll(SoftwareScroll{-20, 0, true, 2, 0, 0, true, 0});
        event.storeInteger(scrollField::testSender, static_cast<std::int64_t>(trackpad.senderID()));
        PostResult result = h.system.route(event);
        h.settle();
        InputTap::Stats stats = h.stats();
        if (hooks) {
            EXPECT_EQ(stats.trackpadTurned, 1);
            EXPECT_EQ(stats.posted, 0);
            EXPECT_EQ(result.delivered->vertical.point, 20);
        } else {
            EXPECT_EQ(stats.mouse, 1);
            EXPECT_EQ(stats.posted, 1);
            EXPECT_EQ(*result.delivered, result.made);
        }
    }
}

TEST(DeviceCache, MergingASnapshotKeepsWhatIsKnown) {
    TapHarness h;
    h.onTap([&] {
        h.tap->mergeDevices({{7, Device::trackpad}, {8, Device::mouse}});
        h.tap->mergeDevices({{7, Device::mouse}, {9, Device::trackpad}});
        EXPECT_EQ(h.tap->knownDevice(7), Device::trackpad);
        EXPECT_EQ(h.tap->knownDevice(8), Device::mouse);
        EXPECT_EQ(h.tap->knownDevice(9), Device::trackpad);
        EXPECT_EQ(h.tap->knownDevice(10), std::nullopt);
    });
}

TEST(DeviceCache, AnAnswerForATapThatIsGoneIsDropped) {
    TapHarness h;
    VirtualDevice& mouse = h.system.attach(DeviceDescription::wheelMouse());
    h.tap->setSettings(turning(trackpadOnly));
    h.closeLookups();
    h.system.post(mouse, Scroll{1, 0, 0, 0, 0, 1});
    std::weak_ptr<InputTap> weak = h.tap;
    h.tap.reset();
    EXPECT_TRUE(weak.expired());
    h.openLookups();
    h.settle();
    // The lookup found the tap gone and asked nothing.
    EXPECT_EQ(h.system.simulatedRegistry().serviceLookups(), 0);
}

} // namespace
} // namespace skiro
