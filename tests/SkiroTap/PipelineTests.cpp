// Scrolls posted through the simulated system reach the tap on its own thread; what the
// application under the pointer receives, what the tally counts and what the observer is told.
#include "LiveTap.hpp"
#include "Skiro/Tap/SystemDirection.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace skiro {
namespace {

using namespace test;
using platform::simulated::gestures::swipe;
using platform::simulated::gestures::wheelSteps;

ScrollDeltas deltasOf(const ScrollRecord& record) {
    return {{record.vertical.line, record.vertical.fixed, record.vertical.point},
            {record.horizontal.line, record.horizontal.fixed, record.horizontal.point}};
}

bool moves(const Measures& measures) {
    return measures != Measures{};
}

Measures negated(const Measures& m) {
    return {-m.line, -m.fixed, -m.point};
}

// --- What holds for every device the simulated machine offers.

struct DeviceCase {
    const char* name;
    DeviceDescription (*describe)();
    Device kind;
};

const DeviceCase everyDevice[] = {
    {"BuiltInTrackpad", &DeviceDescription::builtInTrackpad, Device::trackpad},
    {"MagicTrackpad", &DeviceDescription::magicTrackpad, Device::trackpad},
    {"WheelMouse", &DeviceDescription::wheelMouse, Device::mouse},
    {"SmoothMouse", &DeviceDescription::smoothMouse, Device::mouse},
    // Scrolls in gestures like a trackpad, but is a mouse.
    {"MagicMouse", &DeviceDescription::magicMouse, Device::mouse},
};

class OnEveryDevice : public ::testing::TestWithParam<DeviceCase> {
protected:
    TapHarness h;
    VirtualDevice& device = h.system.attach(GetParam().describe());
    const Device kind = GetParam().kind;

    // One movement of the user's as this device makes it: a swipe, or wheel steps.
    std::vector<Scroll> movement() const {
        switch (device.style()) {
        case ScrollStyle::gestures:
            return swipe(30, -8);
        case ScrollStyle::smoothWheel:
            return wheelSteps(4, 12, -3);
        case ScrollStyle::wheel:
            break;
        }
        return wheelSteps(4, 1, 0, platform::flag::shift);
    }
    // Standard for this device's kind, or for the other kind, against the natural system.
    static Directions standardFor(Device which) {
        const Direction trackpad =
            which == Device::trackpad ? Direction::standard : Direction::natural;
        const Direction mouse = which == Device::mouse ? Direction::standard : Direction::natural;
        return Directions{trackpad, trackpad, mouse, mouse};
    }
    Device other() const { return kind == Device::trackpad ? Device::mouse : Device::trackpad; }
    static std::int64_t& of(InputTap::Stats& stats, Device which) {
        return which == Device::trackpad ? stats.trackpad : stats.mouse;
    }
    static std::int64_t& turnedOf(InputTap::Stats& stats, Device which) {
        return which == Device::trackpad ? stats.trackpadTurned : stats.mouseTurned;
    }
};

INSTANTIATE_TEST_SUITE_P(Pipeline, OnEveryDevice, ::testing::ValuesIn(everyDevice),
                         [](const auto& each) { return std::string(each.param.name); });

TEST_P(OnEveryDevice, PausedEveryScrollPassesUntouchedOnTheFastPath) {
    h.tap->setSettings(paused);
    const std::vector<PostResult> results = h.system.post(device, movement());
    for (const PostResult& result : results) {
        ASSERT_TRUE(result.delivered);
        EXPECT_EQ(*result.delivered, result.made);
    }
    h.settle();
    const auto n = static_cast<std::int64_t>(results.size());
    InputTap::Stats stats = h.stats();
    EXPECT_EQ(stats.passed, n);
    EXPECT_EQ(stats.fast.count, n);
    EXPECT_EQ(stats.trackpad + stats.mouse + stats.turned + stats.posted, 0);
    EXPECT_EQ(stats.startsFromHID + stats.startsFromAppKit, 0);
    // No HID event fetched, no device looked up.
    EXPECT_EQ(h.system.simulatedRegistry().serviceLookups(), 0);
    EXPECT_EQ(h.onTap([&] { return h.tap->keeper().seenByTap(); }), n);
    EXPECT_EQ(h.allocatingScrolls(), 0u);
}

TEST_P(OnEveryDevice, ItsKindsChoiceTurnsItOnceKnownAndTheOtherKindsLeavesItAlone) {
    // Known before its first scroll, as a started tap knows the devices attached.
    h.onTap([&] { h.tap->devices().merge(HIDEvent::scrollDevices(h.system.registry())); });
    h.tap->setSettings(turning(standardFor(kind)));
    std::int64_t moving = 0;
    for (const PostResult& result : h.system.post(device, movement())) {
        const ScrollRecord& made = result.made;
        const ScrollRecord& got = *result.delivered;
        EXPECT_EQ(got.vertical, moves(made.vertical) ? negated(made.vertical) : made.vertical)
            << "scroll " << made.serial;
        EXPECT_EQ(got.horizontal,
                  moves(made.horizontal) ? negated(made.horizontal) : made.horizontal);
        ASSERT_TRUE(got.hid);
        EXPECT_EQ(got.hid->scrollY, moves(made.vertical) ? -made.hid->scrollY : made.hid->scrollY);
        moving += moves(made.vertical) || moves(made.horizontal) ? 1 : 0;
    }
    ASSERT_GT(moving, 0);
    InputTap::Stats stats = h.stats();
    EXPECT_EQ(turnedOf(stats, kind), moving);
    EXPECT_EQ(of(stats, other()) + turnedOf(stats, other()) + stats.posted, 0);
    EXPECT_EQ(stats.readBackFailures, 0);

    // The other kind's choice: the system's direction stays.
    h.tap->setSettings(turning(standardFor(other())));
    for (const PostResult& result : h.system.post(device, movement())) {
        EXPECT_EQ(*result.delivered, result.made) << "scroll " << result.made.serial;
    }
    stats = h.stats();
    EXPECT_EQ(turnedOf(stats, kind), moving);
    EXPECT_EQ(of(stats, other()), 0);
    EXPECT_EQ(h.allocatingScrolls(), 0u);
}

TEST_P(OnEveryDevice, UntilTheRegistryAnswersItsScrollsAreToldApartByTheirShape) {
    h.closeLookups();
    h.tap->setSettings(turning(standardFor(kind)));
    // A gesture looks like a trackpad's: right for trackpads, wrong for the multitouch mouse.
    const Device guess = device.style() == ScrollStyle::gestures ? Device::trackpad : Device::mouse;
    const auto first = static_cast<std::int64_t>(h.system.post(device, movement()).size());
    InputTap::Stats stats = h.stats();
    EXPECT_EQ(of(stats, guess), first);
    EXPECT_EQ(h.onTap([&] { return h.tap->devices().isLookingUp(device.senderID()); }), true)
        << "one lookup, under way";

    h.openLookups();
    h.settle();
    const auto second = static_cast<std::int64_t>(h.system.post(device, movement()).size());
    stats = h.stats();
    EXPECT_EQ(of(stats, kind), (guess == kind ? first : 0) + second) << "the registry's kind";
    EXPECT_EQ(h.system.simulatedRegistry().serviceLookups(), 1);
}

// --- The parts of the path, on the devices that show them.

TEST(Pipeline, TurnsAWholeGestureWithItsMomentumAndTheHIDEventBehindIt) {
    TapHarness h;
    VirtualDevice& trackpad = h.system.attach(DeviceDescription::builtInTrackpad());
    h.tap->setSettings(turning(trackpadStandard));

    auto results = h.system.post(trackpad, swipe(35, 0));
    ASSERT_EQ(results.size(), 16u);
    int moving = 0;
    for (const PostResult& result : results) {
        ASSERT_TRUE(result.delivered);
        const ScrollRecord& made = result.made;
        const ScrollRecord& got = *result.delivered;
        if (moves(made.vertical)) {
            ++moving;
            EXPECT_EQ(got.vertical, negated(made.vertical)) << "scroll " << made.serial;
            EXPECT_EQ(got.hid->scrollY, -made.hid->scrollY);
            // Natural scrolling applied, then undone: the content moves as the device did.
            EXPECT_EQ(got.vertical.fixed > 0, made.hid->scrollY > 0);
        } else {
            EXPECT_EQ(got, made) << "scroll " << made.serial;
        }
        // Nothing to negate horizontally: not written, not even as a negative zero.
        EXPECT_EQ(got.horizontal, made.horizontal);
        EXPECT_FALSE(std::signbit(got.horizontal.fixed));
        EXPECT_FALSE(std::signbit(got.hid->scrollX));
        EXPECT_EQ(got.hid->held, 0) << "the tap released its copy of the HID event";
    }
    EXPECT_EQ(moving, 13);
    h.settle();
    InputTap::Stats stats = h.stats();
    EXPECT_EQ(stats.trackpad, 16);
    EXPECT_EQ(stats.trackpadTurned, 13);
    EXPECT_EQ(stats.mouse + stats.mouseTurned + stats.posted + stats.passed, 0);
    EXPECT_EQ(stats.readBackFailures, 0);
    // Decisions at mayBegin (no movement yet, no earlier answer: the framework) and at began
    // (the HID event); the rest of the gesture held them.
    EXPECT_EQ(stats.startsFromAppKit, 1);
    EXPECT_EQ(stats.startsFromHID, 1);

    // The next gesture's mayBegin has no movement either, but now an earlier HID answer.
    h.system.post(trackpad, swipe(-20, 0));
    stats = h.stats();
    EXPECT_EQ(stats.startsFromAppKit, 1);
    EXPECT_EQ(stats.startsFromHID, 3);
    EXPECT_EQ(stats.turned, 26);
}

TEST(Pipeline, PausingMidGestureTurnsTheRestOfItThenPassesTheNextOne) {
    TapHarness h;
    VirtualDevice& trackpad = h.system.attach(DeviceDescription::builtInTrackpad());
    h.tap->setSettings(turning(trackpadStandard));
    std::vector<Scroll> first = swipe(35, 0);
    std::vector<Scroll> second = swipe(35, 0);

    h.system.post(trackpad, std::vector<Scroll>(first.begin(), first.begin() + 4));
    h.tap->setSettings(paused);
    for (const PostResult& result :
         h.system.post(trackpad, std::vector<Scroll>(first.begin() + 4, first.end()))) {
        if (moves(result.made.vertical)) {
            EXPECT_EQ(result.delivered->vertical, negated(result.made.vertical))
                << "scroll " << result.made.serial << " still belongs to the turned gesture";
        }
    }
    InputTap::Stats stats = h.stats();
    EXPECT_EQ(stats.passed, 0);
    EXPECT_EQ(stats.turned, 13);

    // Momentum ended: the next gesture takes the fast path from its first event.
    for (const PostResult& result : h.system.post(trackpad, second)) {
        EXPECT_EQ(*result.delivered, result.made);
    }
    stats = h.stats();
    EXPECT_EQ(stats.passed, 16);
    EXPECT_EQ(stats.turned, 13);
    EXPECT_EQ(stats.full.count, 16);
}

TEST(Pipeline, WritesATurnedAxisLineFixedPointAndLeavesTheOtherAlone) {
    TapHarness h({.testHooks = true});
    VirtualDevice& trackpad = h.system.attach(DeviceDescription::builtInTrackpad());
    h.onTap([&] { h.tap->devices().merge({{trackpad.senderID(), Device::trackpad}}); });
    // A synthetic scroll standing in for the trackpad, without a HID event; the framework reads
    // it as not turned by the system, so natural trackpad directions turn both axes.
    h.tap->setSettings(turning(allNatural));
    SimulatedEvent made = h.system.makeScroll(SoftwareScroll{4, 0, true, 2, 0, 0, false, 0});
    made.storeInteger(scrollField::testSender, static_cast<std::int64_t>(trackpad.senderID()));
    SpyEvent event(made);

    h.onTap([&] { h.tap->scrolled(event); });
    EXPECT_EQ(event.writes, (std::vector<EventField>{11, 93, 96}));
    EXPECT_EQ(readDeltas(event), readDeltas(made).flipped(Flip{true, false}));
    InputTap::Stats stats = h.stats();
    EXPECT_EQ(stats.trackpadTurned, 1) << "it carries a sender";

    // An event whose moving axes are all zero is not written and not turned.
    SpyEvent still(h.system.makeScroll(SoftwareScroll{0, 0, true, 128, 0, 0, false, 0}));
    still.inner().storeInteger(scrollField::testSender,
                               static_cast<std::int64_t>(trackpad.senderID()));
    h.onTap([&] { h.tap->scrolled(still); });
    EXPECT_TRUE(still.writes.empty());
    stats = h.stats();
    EXPECT_EQ(stats.scrolls, 2);
    EXPECT_EQ(stats.turned, 1);
}

TEST(Pipeline, APostedScrollIsAMouseScrollReadThroughTheFramework) {
    TapHarness h;
    h.tap->setSettings(turning(mouseStandard));
    // Posted by a program, with the system's natural direction applied as the framework says.
    PostResult result = h.system.post(SoftwareScroll{-3, 0, false, 0, 0, 0, true, 0});
    ASSERT_TRUE(result.delivered);
    EXPECT_FALSE(result.made.hid);
    EXPECT_EQ(result.delivered->vertical, negated(result.made.vertical));
    h.settle();
    InputTap::Stats stats = h.stats();
    EXPECT_EQ(stats.posted, 1);
    EXPECT_EQ(stats.mouseTurned, 1);
    EXPECT_EQ(stats.startsFromAppKit, 1);
    EXPECT_EQ(h.system.simulatedRegistry().serviceLookups(), 0);

    // Not turned by the system: the mouse's standard needs nothing.
    result = h.system.post(SoftwareScroll{-3, 0, false, 0, 0, 0, false, 0});
    EXPECT_EQ(*result.delivered, result.made);
    // The framework cannot read it: taken as not turned.
    h.system.simulatedAppFramework().setAvailable(false);
    result = h.system.post(SoftwareScroll{-3, 0, false, 0, 0, 0, true, 0});
    EXPECT_EQ(result.delivered->vertical, result.made.vertical);
    stats = h.stats();
    EXPECT_EQ(stats.posted, 3);
    EXPECT_EQ(stats.startsFromAppKit, 3);
    EXPECT_EQ(stats.mouseTurned, 1);
}

TEST(Pipeline, AReadBackFailureIsCountedWithWhatWasWantedAndWhatCameBack) {
    TapHarness h;
    VirtualDevice& trackpad = h.system.attach(DeviceDescription::builtInTrackpad());
    h.onTap([&] { h.tap->devices().merge({{trackpad.senderID(), Device::trackpad}}); });
    h.tap->setSettings(turning(trackpadStandard));
    FieldWriteRules rules;
    rules.ignored.set(96); // the vertical point delta keeps its value
    h.system.setFieldWriteRules(rules);

    PostResult result = h.system.post(trackpad, Scroll{25, 0, 1, 0, 0, 0});
    const ScrollDeltas before = deltasOf(result.made);
    const ScrollDeltas wanted = before.flipped(Flip{true, false});
    ScrollDeltas got = wanted;
    got.vertical.point = before.vertical.point;
    EXPECT_EQ(deltasOf(*result.delivered), got);

    InputTap::Stats stats = h.stats();
    EXPECT_EQ(stats.readBackFailures, 1);
    ASSERT_TRUE(stats.lastReadBackFailure);
    EXPECT_EQ(*stats.lastReadBackFailure,
              "wanted (vertical: line 2, fixed 2.5, point 25; horizontal: line 0, fixed 0, "
              "point 0), got (vertical: line 2, fixed 2.5, point -25; horizontal: line 0, "
              "fixed 0, point 0)");
    // Not retried, not undone; still a turned scroll.
    EXPECT_EQ(stats.turned, 1);

    // The latest failure's text replaces the earlier one.
    h.system.post(trackpad, Scroll{-40, 0, 1, 0, 0, 0});
    stats = h.stats();
    EXPECT_EQ(stats.readBackFailures, 2);
    EXPECT_NE(stats.lastReadBackFailure->find("point -40;"), std::string::npos);
    EXPECT_EQ(h.allocatingScrolls(), 0u);
}

TEST(Pipeline, TheObserverSeesTheDeviceMovementAndTheAxisTheUserSees) {
    TapHarness h;
    VirtualDevice& mouse = h.system.attach(DeviceDescription::wheelMouse());
    VirtualDevice& trackpad = h.system.attach(DeviceDescription::builtInTrackpad());
    h.onTap([&] {
        h.tap->devices().merge(
            {{mouse.senderID(), Device::mouse}, {trackpad.senderID(), Device::trackpad}});
    });
    struct Seen {
        ScrollSample sample;
        double vertical, horizontal, seconds;
        Point location;
    };
    std::vector<Seen> seen;
    h.tap->observer().setOnScroll(
        [&](const ScrollSample& sample, double v, double hz, double s, Point p) {
            EXPECT_TRUE(corvale::isMainThread());
            seen.push_back({sample, v, hz, s, p});
        });
    // Paused: observing alone takes the full path, and nothing is turned.
    h.tap->setSettings(paused);
    h.tap->observer().setObserving(true);
    h.system.setPointer({12, 34});

    using platform::flag::command;
    using platform::flag::shift;
    PostResult sideways = h.system.post(mouse, Scroll{2, 0, 0, 0, shift, 1});
    h.system.post(mouse, Scroll{0, -1, 0, 0, shift | command, 1});
    h.system.post(trackpad, Scroll{-30, 5, 2, 0, 0, 0});
    // Posted, continuous, turned by the system: the points negated back.
    h.system.post(SoftwareScroll{-14, 6, true, 0, 0, 0, true, 0});
    ASSERT_TRUE(corvale::MainLoop::shared().runUntil([&] { return seen.size() == 4; }));

    // A wheel with shift alone scrolls sideways: shown as horizontal movement.
    EXPECT_EQ(seen[0].horizontal, 2);
    EXPECT_TRUE(seen[0].sample.isSidewaysWheel());
    EXPECT_EQ(seen[0].location, (Point{12, 34}));
    const double uptime = static_cast<double>(h.system.clock().uptimeNanoseconds()) / 1e9;
    EXPECT_NEAR(seen[0].seconds, uptime, 1e-6);
    EXPECT_NEAR(seen[0].seconds,
                static_cast<double>(h.tap->nanoseconds(sideways.made.timestamp)) / 1e9, 1e-9);
    // With shift and command it is a shortcut: shown as vertical.
    EXPECT_EQ(seen[1].vertical, -1);
    EXPECT_TRUE(seen[1].sample.isShortcutWheel());
    // The trackpad as the fingers moved (the HID event), not as the system turned it.
    EXPECT_EQ(seen[2].vertical, -30);
    EXPECT_EQ(seen[2].horizontal, 5);
    EXPECT_EQ(seen[2].sample, (ScrollSample{Device::trackpad, true, 2, 0, false, false}));
    EXPECT_EQ(seen[3].vertical, 14);
    EXPECT_EQ(seen[3].horizontal, -6);
    EXPECT_EQ(seen[3].sample.device, Device::mouse);

    EXPECT_EQ(h.stats().full.count, 4);
    EXPECT_EQ(h.stats().turned, 0);
}

TEST(ScrollObserver, APostedLineScrollShowsItsFixedPointDeltasTurnedBackOnTheAxisTheUserSees) {
    SimulatedSystem system;
    struct Owner : std::enable_shared_from_this<Owner> {
    } owner;
    const HIDEvent::Functions hid = HIDEvent::Functions::lookUp(system.symbols());
    const ScrollObserver observer(Lifetime(owner), hid, system.appFramework(),
                                  EventTimes(system.clock(), system.clock().timebase()));
    // Lines, not points: 1.5 lines read as a line delta or a point delta would not be 1.5.
    SimulatedEvent event =
        system.makeScroll(SoftwareScroll{1.5, 0, false, 0, 0, platform::flag::shift, true, 0});
    const ScrollSample sample{Device::mouse, false, 0, 0, true, false};
    ASSERT_TRUE(sample.isSidewaysWheel());
    EXPECT_EQ(observer.movement(event, sample, nullptr, readDeltas(event)),
              (ScrollObserver::Movement{0, -1.5}));
}

TEST(Pipeline, AReportFindsTheTapGoneAndIsDropped) {
    TapHarness h;
    VirtualDevice& mouse = h.system.attach(DeviceDescription::wheelMouse());
    int calls = 0;
    h.tap->observer().setOnScroll(
        [&](const ScrollSample&, double, double, double, Point) { ++calls; });
    h.tap->observer().setObserving(true);
    h.system.post(mouse, Scroll{1, 0, 0, 0, 0, 1});
    h.lookups.sync([] {});
    h.sync();
    h.tap.reset();
    corvale::MainLoop::shared().drain();
    EXPECT_EQ(calls, 0);
}

TEST(Pipeline, EventTimestampsInTicksOrNanoseconds) {
    SimulatedSystem silicon; // 125/3
    auto other = InputTap::make(silicon, silicon.runLoops().current());
    const std::uint64_t ticks = silicon.clock().machAbsoluteTime();
    const std::uint64_t nanoseconds = silicon.clock().uptimeNanoseconds();
    ASSERT_NE(ticks, nanoseconds);
    EXPECT_EQ(other->nanoseconds(ticks), ticks * 125 / 3);
    EXPECT_EQ(other->nanoseconds(nanoseconds), nanoseconds);
    // Scrolls carry ticks by default, nanoseconds when the system says so.
    EXPECT_EQ(other->nanoseconds(silicon.makeScroll(SoftwareScroll{}).timestamp()),
              ticks * 125 / 3);
    silicon.setTimestampsInNanoseconds(true);
    EXPECT_EQ(other->nanoseconds(silicon.makeScroll(SoftwareScroll{}).timestamp()), nanoseconds);
}

TEST(Pipeline, TheStallHookSlowsTheTapUntilTheSystemSwitchesItOff) {
    TapHarness h({.testHooks = true});
    VirtualDevice& mouse = h.system.attach(DeviceDescription::wheelMouse());
    auto budget = std::chrono::duration_cast<std::chrono::milliseconds>(h.system.taps().timeout());
    h.tap->setStall(budget.count() + 1, 1);
    h.tap->setSettings(turning(mouseStandard));

    PostResult result = h.system.post(mouse, Scroll{1, 0, 0, 0, 0, 1});
    ASSERT_TRUE(result.delivered) << "the scroll goes on";
    std::shared_ptr<TapCore> core = h.platformTap();
    EXPECT_FALSE(core->enabled.load());
    h.system.post(mouse, Scroll{1, 0, 0, 0, 0, 1});
    EXPECT_EQ(h.handled(), 1u) << "switched off: the next scroll passes the tap";

    // The stall was for one scroll only.
    h.system.taps().enable(*core, true);
    h.system.post(mouse, Scroll{1, 0, 0, 0, 0, 1});
    EXPECT_TRUE(core->enabled.load());
    EXPECT_EQ(h.handled(), 2u);
}

TEST(Pipeline, WithoutTestHooksTheStallIsNeverRead) {
    TapHarness h;
    VirtualDevice& mouse = h.system.attach(DeviceDescription::wheelMouse());
    auto budget = std::chrono::duration_cast<std::chrono::milliseconds>(h.system.taps().timeout());
    h.tap->setStall(budget.count() + 1, 5);
    const std::uint64_t before = h.system.clock().uptimeNanoseconds();
    h.system.post(mouse, Scroll{1, 0, 0, 0, 0, 1});
    EXPECT_TRUE(h.platformTap()->enabled.load());
    EXPECT_EQ(h.system.clock().uptimeNanoseconds(), before);
}

TEST(Pipeline, TheSteadyPathAllocatesNothing) {
    TapHarness h;
    VirtualDevice& trackpad = h.system.attach(DeviceDescription::builtInTrackpad());
    VirtualDevice& mouse = h.system.attach(DeviceDescription::wheelMouse());

    // The first scroll of an unseen sender hands a lookup to another queue: that allocates.
    h.tap->setSettings(turning(trackpadStandard));
    h.system.post(trackpad, Scroll{5, 0, 1, 0, 0, 0});
    EXPECT_EQ(h.allocatingScrolls(), 1u);
    h.settle();

    // Known senders, full and fast paths, decisions, read-back failures: nothing.
    h.onTap([&] { h.tap->devices().merge({{mouse.senderID(), Device::mouse}}); });
    h.system.post(trackpad, swipe(30, -12));
    h.system.post(mouse, wheelSteps(4, -1, 0, platform::flag::shift));
    h.system.post(SoftwareScroll{3, 0, false, 0, 0, 0, true, 0});
    FieldWriteRules rules;
    rules.ignored.set(93);
    h.system.setFieldWriteRules(rules);
    h.system.post(trackpad, swipe(30, -12));
    h.tap->setSettings(paused);
    h.system.post(trackpad, swipe(30, -12));
    h.system.post(trackpad, swipe(30, -12));
    InputTap::Stats stats = h.stats();
    EXPECT_GT(stats.readBackFailures, 0);
    EXPECT_EQ(stats.passed, 32);
    EXPECT_EQ(h.allocatingScrolls(), 1u);
    EXPECT_EQ(h.handled(), 1u + 16 + 4 + 1 + 16 + 32);
}

TEST(Pipeline, WithoutTheHIDFunctionsFieldsAreStillTurned) {
    struct Case {
        std::vector<std::string_view> missing;
        bool knownTrackpad;
        std::int64_t posted, fromHID;
    };
    const Case cases[] = {
        // No HID event at all: every scroll looks posted, a mouse scroll.
        {{hid::copyIOHIDEventName}, false, 1, 0},
        // A HID event without its sender: a mouse scroll, nothing looked up.
        {{hid::getSenderIDName}, false, 0, 1},
        // Without the float functions the HID event is neither read (values read as 0: no
        // usable pair) nor rewritten.
        {{hid::setFloatValueName, hid::getFloatValueName}, true, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.missing.front());
        TapHarness h({.missingFunctions = c.missing});
        VirtualDevice& trackpad = h.system.attach(DeviceDescription::builtInTrackpad());
        if (c.knownTrackpad) {
            h.onTap([&] { h.tap->devices().merge({{trackpad.senderID(), Device::trackpad}}); });
        }
        h.tap->setSettings(turning(c.knownTrackpad ? trackpadStandard : mouseStandard));
        PostResult result = h.system.post(trackpad, Scroll{20, 0, 1, 0, 0, 0});
        EXPECT_EQ(result.delivered->vertical, negated(result.made.vertical));
        if (c.fromHID == 0) {
            EXPECT_EQ(result.delivered->hid, result.made.hid);
        }
        h.settle();
        InputTap::Stats stats = h.stats();
        EXPECT_EQ(c.knownTrackpad ? stats.trackpadTurned : stats.mouseTurned, 1);
        EXPECT_EQ(stats.posted, c.posted);
        EXPECT_EQ(stats.startsFromHID, c.fromHID);
        EXPECT_EQ(stats.startsFromAppKit, 1 - c.fromHID);
        EXPECT_EQ(stats.readBackFailures, 0);
        EXPECT_EQ(h.system.simulatedRegistry().serviceLookups(), 0);
    }
}

TEST(SystemTurned, ComparesTheEventWithTheHIDEventElseTheLastAnswerElseTheFramework) {
    SimulatedSystem system;
    VirtualDevice& trackpad = system.attach(DeviceDescription::builtInTrackpad());
    VirtualDevice& mouse = system.attach(DeviceDescription::wheelMouse());
    tap::Tally tally(system.clock().timebase());
    const HIDEvent::Functions hid = HIDEvent::Functions::lookUp(system.symbols());
    SystemDirection direction({system.clock(), system.appFramework(), hid, tally});
    auto turnedBySystem = [&](SimulatedEvent& event) {
        return direction.systemTurned(event, event.hidEvent(), readDeltas(event));
    };

    // Natural scrolling: the event moves against the device.
    SimulatedEvent natural = system.makeScroll(trackpad, Scroll{-8, 3, 2, 0, 0, 0});
    EXPECT_TRUE(turnedBySystem(natural));

    // Vertical unusable (the event has no vertical point delta); horizontal agrees.
    SimulatedEvent agreeing = system.makeScroll(trackpad, Scroll{6, 3, 2, 0, 0, 0});
    agreeing.storeInteger(platform::field::scrollWheelEventPointDeltaAxis1, 0);
    agreeing.hidEvent()->scrollX = -3;
    EXPECT_FALSE(turnedBySystem(agreeing));

    // No movement at all: the last answer from a HID event, even though the framework would
    // say inverted.
    SimulatedEvent still = system.makeScroll(trackpad, Scroll{0, 0, 128, 0, 0, 0});
    ASSERT_TRUE(system.simulatedAppFramework().scrollEvent(still)->systemTurned);
    EXPECT_FALSE(turnedBySystem(still));

    // A wheel compares its line delta.
    system.setNaturalScrolling(false);
    SimulatedEvent wheel = system.makeScroll(mouse, Scroll{1, 0, 0, 0, 0, 1});
    wheel.storeInteger(platform::field::scrollWheelEventPointDeltaAxis1, -10);
    EXPECT_FALSE(turnedBySystem(wheel));

    // Without a HID event the framework answers, and the answer is not kept.
    SimulatedEvent posted = system.makeScroll(SoftwareScroll{2, 0, true, 0, 0, 0, true, 0});
    EXPECT_TRUE(turnedBySystem(posted));
    EXPECT_FALSE(turnedBySystem(still));

    tap::Stats stats = tally.copy();
    EXPECT_EQ(stats.startsFromHID, 5);
    EXPECT_EQ(stats.startsFromAppKit, 1);
    EXPECT_EQ(stats.starts.count, 6);
}

} // namespace
} // namespace skiro
