#include "Skiro/Tap/InputTap.hpp"
#include "CorvaleCore/MainHop.hpp"
#include "CorvaleCore/SharedOnly.hpp"
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
    return corvale::makeShared<InputTap>(system, tapLoop, std::move(options));
}

InputTap::InputTap(platform::System& system, platform::RunLoop& tapLoop, Options options)
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

// The scroll path inlined into the system's callback: the fast path makes no further call of its
// own.
[[gnu::flatten]] platform::Event* InputTap::tapCallback(platform::EventType type,
                                                        platform::Event& event, void* userInfo) {
    auto& self = *static_cast<InputTap*>(userInfo);
    if (type == platform::EventType::tapDisabledByTimeout ||
        type == platform::EventType::tapDisabledByUserInput) {
        self.disabled(type);
    } else if (type == platform::EventType::scrollWheel) {
        self.scrolled(event);
    }
    return &event;
}

[[gnu::always_inline]] inline InputTap::Arrival
InputTap::arrivalOf(const platform::Event& event) const {
    return Arrival{settings_.bits(),
                   event.integerValue(scrollField::isContinuous) != 0,
                   event.integerValue(scrollField::scrollPhase),
                   event.integerValue(scrollField::momentumPhase),
                   observing_.load(std::memory_order_acquire),
                   recording_ != nullptr};
}

void InputTap::scrolled(platform::Event& event) {
    if (hooks_) {
        stallIfAsked();
    }
    keeper_.scrollSeen();
    const std::uint64_t start = clock_.machAbsoluteTime();
    const Signposter::Interval interval = signposter_.scroll();
    const Arrival arrival = arrivalOf(event);
    // Nothing to turn, no decision held, nobody watching or recording: the event passes
    // untouched, without its HID event or its device.
    if (arrival.passes() && turner_.isIdle()) {
        turner_.passed(arrival.continuous, arrival.phase, arrival.momentum);
        tally_.passed(ticksSince(start));
        return;
    }
    fullPath(event, arrival, start);
}

void InputTap::fullPath(platform::Event& event, const Arrival& arrival, std::uint64_t start) {
    // Decide: the device, then the turner (which reads the system's direction only to decide).
    const platform::HIDEventRef held = hid_.copy(event);
    platform::IOHIDEvent* hid = held.get();
    const ScrollSample sample = sampleOf(event, hid, arrival);
    // Read once: the system's direction and the observer compare with them, the rewrite flips them.
    const ScrollDeltas before = readDeltas(event);
    const Flip flip = turner_.turn(sample, PackedSettings::unpack(arrival.settings),
                                   [&] { return systemTurned(event, hid, before); });
    const Flip turned = turnable(flip, before);
    // The observer and the recording see the event as it came.
    if (arrival.observing) {
        report(event, sample, hid, before);
    }
    std::optional<Recording::Line> line = recordingLine(arrival, event, sample, turned, hid);

    // Write, and verify.
    bool verified = true;
    if (!turned.isNone()) {
        const ScrollDeltas wanted = before.flipped(turned);
        turn(wanted, event, turned, hid, hid_);
        verified = verifyRewrite(event, wanted, failure_);
    }

    // Tell whoever listens.
    count(sample, event, hid, turned, verified, arrival.recording, start);
    if (line) {
        recordScroll(std::move(*line), event, hid, turned, verified);
    }
    if (readBack_.checking()) {
        readBack_.remember(pointDeltas(event));
    }
}

} // namespace skiro
