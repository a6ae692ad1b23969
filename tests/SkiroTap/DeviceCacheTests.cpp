// Telling trackpads from mice without waiting for the registry on the tap thread: guesses by
// shape, one lookup per sender at a time on another queue, the answers kept, and a back-off for
// senders the registry does not know.
#include "LiveTap.hpp"
#include "Skiro/Tap/DeviceCache.hpp"

#include <gtest/gtest.h>

namespace skiro {
namespace {

using namespace test;
using platform::simulated::gestures::swipe;

// Trackpad turned, mouse left as the (natural) system has it: what is turned tells the device.
const Directions trackpadOnly{Direction::standard, Direction::standard, Direction::natural,
                              Direction::natural};

TEST(DeviceCache, OneLookupPerSenderAQuarterSecondBackOffAfterARefusalAndMergedSnapshots) {
    DeviceCache cache;
    const std::uint64_t ms = 1'000'000;
    EXPECT_TRUE(cache.shouldLookUp(5, 1000 * ms));
    EXPECT_FALSE(cache.shouldLookUp(5, 1001 * ms)) << "one under way";
    EXPECT_TRUE(cache.isLookingUp(5));

    EXPECT_TRUE(cache.learned(5, std::nullopt)) << "first refusal counts";
    EXPECT_TRUE(cache.isUnknown(5));
    EXPECT_FALSE(cache.isLookingUpAny());
    // The refusal counts from the last scroll that asked (1001 ms).
    EXPECT_FALSE(cache.shouldLookUp(5, 1250 * ms));
    EXPECT_TRUE(cache.shouldLookUp(5, 1251 * ms));
    EXPECT_FALSE(cache.learned(5, std::nullopt)) << "a sender counts once";
    EXPECT_FALSE(cache.shouldLookUp(5, 1300 * ms));
    // A refusal noted later than the scroll (clocks disagree) counts as long ago.
    EXPECT_TRUE(cache.shouldLookUp(5, 10 * ms));

    EXPECT_FALSE(cache.learned(5, Device::trackpad));
    EXPECT_EQ(cache.known(5), Device::trackpad);
    EXPECT_FALSE(cache.isUnknown(5));

    // Merging a snapshot keeps what is known.
    cache.merge({{7, Device::trackpad}, {8, Device::mouse}});
    cache.merge({{7, Device::mouse}, {9, Device::trackpad}});
    EXPECT_EQ(cache.known(7), Device::trackpad);
    EXPECT_EQ(cache.known(8), Device::mouse);
    EXPECT_EQ(cache.known(9), Device::trackpad);
    EXPECT_EQ(cache.known(5), Device::trackpad);
    EXPECT_EQ(cache.known(10), std::nullopt);
}

TEST(DeviceCache, TheTapGuessesByShapeWhileOneLookupRunsThenKeepsTheAnswer) {
    TapHarness h;
    // A multitouch mouse scrolls in gestures: its shape says trackpad, the registry mouse.
    VirtualDevice& magicMouse = h.system.attach(DeviceDescription::magicMouse());
    VirtualDevice& wheel = h.system.attach(DeviceDescription::wheelMouse());
    VirtualDevice& smooth = h.system.attach(DeviceDescription::smoothMouse());
    DeviceDescription unregistered = DeviceDescription::wheelMouse();
    unregistered.registered = false;
    VirtualDevice& stranger = h.system.attach(unregistered);
    const std::uint64_t sender = magicMouse.senderID();
    h.tap->setSettings(turning(trackpadOnly));

    h.closeLookups();
    std::vector<Scroll> first = swipe(30, 0);
    h.system.post(magicMouse, std::vector<Scroll>(first.begin(), first.begin() + 5));
    h.system.post(wheel, Scroll{2, 0, 0, 0, 0, 1});
    // Continuous, but without phases: not part of a gesture.
    h.system.post(smooth, Scroll{14, 0, 0, 0, 0, 0});
    h.system.post(stranger, Scroll{1, 0, 0, 0, 0, 1});
    InputTap::Stats stats = h.stats();
    EXPECT_EQ(stats.trackpad, 5);
    EXPECT_EQ(stats.trackpadTurned, 4);
    EXPECT_EQ(stats.mouse, 3);
    EXPECT_TRUE(h.onTap([&] { return h.tap->devices().isLookingUp(sender); }));

    h.openLookups();
    h.settle();
    EXPECT_EQ(h.system.simulatedRegistry().serviceLookups(), 4) << "one lookup per sender";
    h.onTap([&] {
        EXPECT_EQ(h.tap->devices().known(sender), Device::mouse);
        EXPECT_EQ(h.tap->devices().known(smooth.senderID()), Device::mouse);
        EXPECT_TRUE(h.tap->devices().isUnknown(stranger.senderID()));
    });
    EXPECT_EQ(h.stats().unknownSenders, 1);

    // From now on the registry's answer: a mouse, left alone.
    for (const PostResult& result : h.system.post(magicMouse, swipe(-30, 0))) {
        EXPECT_EQ(*result.delivered, result.made);
    }
    h.settle();
    EXPECT_EQ(h.stats().mouseTurned, 0);
    EXPECT_EQ(h.system.simulatedRegistry().serviceLookups(), 4);
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
}

TEST(DeviceCache, WithTestHooksASyntheticScrollCarriesItsSender) {
    for (bool hooks : {true, false}) {
        TapHarness h({.testHooks = hooks});
        VirtualDevice& trackpad = h.system.attach(DeviceDescription::builtInTrackpad());
        h.onTap([&] { h.tap->devices().merge({{trackpad.senderID(), Device::trackpad}}); });
        h.tap->setSettings(turning(trackpadOnly));
        SimulatedEvent event = h.system.makeScroll(SoftwareScroll{-20, 0, true, 2, 0, 0, true, 0});
        event.storeInteger(scrollField::testSender, static_cast<std::int64_t>(trackpad.senderID()));
        PostResult result = h.system.route(event);
        h.settle();
        InputTap::Stats stats = h.stats();
        EXPECT_EQ(stats.trackpadTurned, hooks ? 1 : 0);
        EXPECT_EQ(stats.posted, hooks ? 0 : 1);
        EXPECT_EQ(result.delivered->vertical.point, hooks ? 20 : -20);
    }
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
