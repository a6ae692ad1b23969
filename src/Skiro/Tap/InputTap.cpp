#include "Skiro/Tap/InputTap.hpp"
#include "CorvaleCore/MainHop.hpp"
#include "Skiro/Tap/Recording.hpp"

#include <cstdlib>
#include <cstring>

namespace skiro {

namespace {

std::uint64_t distance(std::uint64_t a, std::uint64_t b) {
    return a > b ? a - b : b - a;
}

} // namespace

ReadBackCheck::Sent InputTap::pointDeltas(const platform::Event& event) {
    return {event.integerValue(eventField(DeltaField::point, Axis::vertical)),
            event.integerValue(eventField(DeltaField::point, Axis::horizontal))};
}

std::shared_ptr<InputTap> InputTap::make(platform::System& system, platform::RunLoop& tapLoop,
                                         Options options) {
    return std::make_shared<InputTap>(Private{}, system, tapLoop, std::move(options));
}

InputTap::InputTap(Private, platform::System& system, platform::RunLoop& tapLoop, Options options)
    : system_(system), tapLoop_(tapLoop), clock_(system.clock()),
      timebase_(system.clock().timebase()), hid_(HIDEvent::Functions::lookUp(system.symbols())),
      hooks_(options.testHooks.value_or(testHooks())),
      lookups_(options.lookups.value_or(
          corvale::DispatchQueue::global(corvale::QualityOfService::userInitiated))),
      timer_(options.timer ? std::move(options.timer)
                           : Timer([](std::chrono::nanoseconds delay, std::function<void()> fire) {
                                 corvale::DispatchQueue::main().asyncAfter(delay, std::move(fire));
                             })),
      writes_(options.writes.value_or(
          corvale::DispatchQueue::global(corvale::QualityOfService::utility))),
      keeper_(system.eventTaps(), tapLoop) {}

InputTap::~InputTap() = default;

bool InputTap::testHooks() {
    static const bool on = [] {
        const char* value = std::getenv("SKIRO_TEST_HOOKS");
        return value != nullptr && std::strcmp(value, "1") == 0;
    }();
    return on;
}

Turner::Settings InputTap::settings() const {
    return settings_.load();
}

void InputTap::setSettings(const Turner::Settings& settings) {
    settings_.store(settings);
}

void InputTap::setStall(std::int64_t milliseconds, std::int64_t count) {
    stall_.set(Stall{milliseconds, count});
}

void InputTap::performOnTapThread(std::function<void()> block) const {
    tapLoop_.perform(std::move(block));
    tapLoop_.wakeUp();
}

std::uint64_t InputTap::nanoseconds(std::uint64_t timestamp) const {
    if (timebase_.numerator == timebase_.denominator) {
        return timestamp;
    }
    const std::uint64_t now = clock_.machAbsoluteTime();
    const std::uint64_t nowNanoseconds = timebase_.nanoseconds(now);
    // Nearer the present counted in ticks: ticks. Otherwise, or equally near: nanoseconds.
    if (distance(timestamp, now) < distance(timestamp, nowNanoseconds)) {
        return timebase_.nanoseconds(timestamp);
    }
    return timestamp;
}

std::uint64_t InputTap::ticksSince(std::uint64_t start) const {
    const std::uint64_t now = clock_.machAbsoluteTime();
    return now > start ? now - start : 0;
}

void InputTap::stallIfAsked() {
    const std::int64_t milliseconds = stall_.with([](Stall& stall) -> std::int64_t {
        if (stall.count <= 0) {
            return 0;
        }
        stall.count -= 1;
        return stall.milliseconds;
    });
    if (milliseconds >= 1) {
        clock_.sleep(std::chrono::milliseconds(milliseconds));
    }
}

platform::Event* InputTap::tapCallback(platform::EventType type, platform::Event& event,
                                       void* userInfo) {
    auto& self = *static_cast<InputTap*>(userInfo);
    if (type == platform::EventType::tapDisabledByTimeout ||
        type == platform::EventType::tapDisabledByUserInput) {
        self.disabled(type);
    } else if (type == platform::EventType::scrollWheel) {
        self.scrolled(event);
    }
    return &event;
}

void InputTap::scrolled(platform::Event& event) {
    if (hooks_) {
        stallIfAsked();
    }
    keeper_.scrollSeen();
    const std::uint64_t start = clock_.machAbsoluteTime();
    const Signposter::Interval interval = signposter_.beginInterval("scroll");

    const std::uint8_t settingsBits = settings_.bits();
    const bool continuous = event.integerValue(scrollField::isContinuous) != 0;
    const std::int64_t phase = event.integerValue(scrollField::scrollPhase);
    const std::int64_t momentum = event.integerValue(scrollField::momentumPhase);
    const bool observing = observing_.load(std::memory_order_acquire);
    const bool recording = recording_ != nullptr;

    // Nothing to turn, no decision held, nobody watching: the event passes untouched, without
    // its HID event or its device.
    if (!PackedSettings::turnsAnything(settingsBits) && turner_.isIdle() && !recording &&
        !observing) {
        turner_.passed(continuous, phase, momentum);
        tally_.passed(ticksSince(start));
        return;
    }

    const Turner::Settings settings = PackedSettings::unpack(settingsBits);
    const platform::HIDEventRef held = hid_.copy(event);
    platform::IOHIDEvent* hid = held.get();
    const Device device = deviceOf(event, hid, continuous, phase, momentum);
    const platform::EventFlags flags = event.flags();
    const ScrollSample sample{device,
                              continuous,
                              phase,
                              momentum,
                              (flags & modifier::shift) != 0,
                              (flags & modifier::shortcutKeys) != 0};
    const Flip flip = turner_.turn(sample, settings, [&] { return systemTurned(event, hid); });

    // An axis with nothing to negate is neither written nor counted.
    const ScrollDeltas before = readDeltas(event);
    const Flip turned{flip.vertical && before.vertical != AxisDeltas::zero,
                      flip.horizontal && before.horizontal != AxisDeltas::zero};

    // The observer sees the event as it came.
    if (observing) {
        report(event, sample, hid);
    }
    // A running recording takes its line for this scroll before any rewrite.
    std::optional<corvale::json::Json> line;
    if (recording) {
        line = scrollLine(event, sample, turned, hid);
    }

    std::array<char, readBackFailureCapacity> failure;
    std::size_t failureLength = 0;
    bool failed = false;
    if (!turned.isNone()) {
        const ScrollDeltas wanted = before.flipped(turned);
        write(wanted, event, turned, pipelineWriteOrder);
        if (hid != nullptr && hid_.getFloat != nullptr && hid_.setFloat != nullptr) {
            if (turned.vertical) {
                hid_.setFloat(hid, HIDEvent::fieldScrollY,
                              -hid_.getFloat(hid, HIDEvent::fieldScrollY));
            }
            if (turned.horizontal) {
                hid_.setFloat(hid, HIDEvent::fieldScrollX,
                              -hid_.getFloat(hid, HIDEvent::fieldScrollX));
            }
        }
        const ScrollDeltas after = readDeltas(event);
        if (after != wanted) {
            failed = true;
            failureLength = describeReadBackFailure(wanted, after, failure);
        }
        if (line) {
            noteRewrite(*line, event, hid, !failed);
        }
    }

    bool posted = hid == nullptr;
    if (posted && hooks_) {
        posted = event.integerValue(scrollField::testSender) == 0;
    }

    if (failed) {
        tally_.readBackFailed(std::span(failure.data(), failureLength));
    }
    // Recording inflates the full path: not timed while one runs.
    tally_.scrolled({device, posted, !turned.isNone(), !recording}, ticksSince(start));
    if (line) {
        recording_->add(std::move(*line), nanoseconds(event.timestamp()));
    }

    if (readBack_.checking()) {
        readBack_.remember(pointDeltas(event));
    }
}

bool InputTap::systemTurned(const platform::Event& event, platform::IOHIDEvent* hid) {
    const std::uint64_t start = clock_.machAbsoluteTime();
    auto noteStart = [&](bool fromHID) { tally_.started(fromHID, ticksSince(start)); };

    if (hid != nullptr) {
        // The HID event moves as the device did; the event after the system's own direction.
        // Opposite signs: the system turned it.
        const bool continuous = event.integerValue(scrollField::isContinuous) != 0;
        const ScrollDeltas deltas = readDeltas(event);
        auto eventValue = [&](const AxisDeltas& axis) {
            return static_cast<double>(continuous ? axis.point : axis.line);
        };
        const double pairs[2][2] = {
            {eventValue(deltas.vertical), hid_.value(hid, HIDEvent::fieldScrollY)},
            {eventValue(deltas.horizontal), hid_.value(hid, HIDEvent::fieldScrollX)},
        };
        for (const auto& [value, device] : pairs) {
            if (value != 0 && device != 0) {
                const bool inverted = (value > 0) != (device > 0);
                systemInverted_ = inverted;
                noteStart(true);
                return inverted;
            }
        }
        // No movement to compare: the last answer a HID event gave.
        if (systemInverted_) {
            noteStart(true);
            return *systemInverted_;
        }
    }

    std::optional<platform::AppScrollEvent> app = system_.appFramework().scrollEvent(event);
    const bool inverted = app && app->directionInvertedFromDevice;
    if (hid != nullptr) {
        systemInverted_ = inverted;
    }
    noteStart(false);
    return inverted;
}

Device InputTap::deviceOf(const platform::Event& event, platform::IOHIDEvent* hid, bool continuous,
                          std::int64_t phase, std::int64_t momentum) {
    std::uint64_t sender = 0;
    if (hid != nullptr) {
        if (hid_.senderFunction == nullptr) {
            return Device::mouse;
        }
        sender = hid_.senderFunction(hid);
    } else if (hooks_) {
        sender = static_cast<std::uint64_t>(event.integerValue(scrollField::testSender));
    } else {
        return Device::mouse;
    }
    if (sender == 0) {
        return Device::mouse;
    }
    if (std::optional<Device> known = devices_.known(sender)) {
        return *known;
    }
    if (devices_.shouldLookUp(sender, nanoseconds(event.timestamp()))) {
        startLookup(sender);
    }
    // Not known yet: a scroll that is part of a gesture comes from a trackpad-like surface.
    const ScrollSample gesture{Device::trackpad, continuous, phase, momentum};
    return gesture.isGesture() ? Device::trackpad : Device::mouse;
}

void InputTap::startLookup(std::uint64_t sender) {
    // Holds the tap only while it asks the registry; the answer comes back to the tap thread
    // holding it weakly.
    lookups_.async(corvale::weakly(weak_from_this(), [sender](InputTap& self) {
        std::optional<Device> kind;
        if (std::optional<HIDEvent::Device> found =
                HIDEvent::device(self.system_.registry(), sender)) {
            kind = found->kind;
        }
        self.performOnTapThread(
            corvale::weakly(self.weak_from_this(), [sender, kind](InputTap& tap) {
                if (tap.devices_.learned(sender, kind)) {
                    tap.updateStats([](Stats& stats) { stats.unknownSenders += 1; });
                }
            }));
    }));
}

void InputTap::report(const platform::Event& event, const ScrollSample& sample,
                      platform::IOHIDEvent* hid) {
    // The movement in the device's own direction.
    double vertical = 0;
    double horizontal = 0;
    if (hid != nullptr) {
        vertical = hid_.value(hid, HIDEvent::fieldScrollY);
        horizontal = hid_.value(hid, HIDEvent::fieldScrollX);
    } else {
        const ScrollDeltas deltas = readDeltas(event);
        vertical = sample.continuous ? static_cast<double>(deltas.vertical.point)
                                     : deltas.vertical.fixedPoint;
        horizontal = sample.continuous ? static_cast<double>(deltas.horizontal.point)
                                       : deltas.horizontal.fixedPoint;
        std::optional<platform::AppScrollEvent> app = system_.appFramework().scrollEvent(event);
        if (app && app->directionInvertedFromDevice) {
            vertical = -vertical;
            horizontal = -horizontal;
        }
    }
    // Show the axis the user sees moving: a sideways wheel moves horizontally, a shortcut
    // wheel vertically.
    if (sample.isSidewaysWheel() && horizontal == 0) {
        horizontal = vertical;
        vertical = 0;
    } else if (sample.isShortcutWheel() && vertical == 0) {
        vertical = horizontal;
        horizontal = 0;
    }
    const double seconds = static_cast<double>(nanoseconds(event.timestamp())) / 1e9;
    const platform::Point location = event.location();
    corvale::onMain(weak_from_this(),
                    [sample, vertical, horizontal, seconds, location](InputTap& self) {
                        if (self.onScroll_) {
                            self.onScroll_(sample, vertical, horizontal, seconds, location);
                        }
                    });
}

} // namespace skiro
