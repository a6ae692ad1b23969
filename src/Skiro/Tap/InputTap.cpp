// The tap, its settings and its pipeline: the fast path, and the full path as decide, write,
// verify, tell.
#include "Skiro/Tap/InputTap.hpp"
#include "CorvaleCore/SharedOnly.hpp"
#include "Skiro/Tap/RunLoopThread.hpp"

#include <cstdlib>
#include <cstring>

namespace skiro {

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
    stall_.set(milliseconds, count);
}

void InputTap::performOnTapThread(std::function<void()> block) const {
    performSoon(tapLoop_, std::move(block));
}

std::uint64_t InputTap::ticksSince(std::uint64_t start) const {
    const std::uint64_t now = clock_.machAbsoluteTime();
    return now > start ? now - start : 0;
}

// The scroll path inlined into the system's callback: the fast path makes no further call of its
// own.
[[gnu::flatten]] platform::Event* InputTap::tapCallback(platform::EventType type,
                                                        platform::Event& event, void* userInfo) {
    auto& self = *static_cast<InputTap*>(userInfo);
    if (type == platform::EventType::tapDisabledByTimeout ||
        type == platform::EventType::tapDisabledByUserInput) {
        self.watch_.disabled(type);
    } else if (type == platform::EventType::scrollWheel) {
        self.scrolled(event);
    }
    return &event;
}

void InputTap::scrolled(platform::Event& event) {
    if (hooks_) {
        stall_.stallIfAsked(clock_);
    }
    keeper_.scrollSeen();
    const std::uint64_t start = clock_.machAbsoluteTime();
    const Signposter::Interval interval = signposter_.scroll();
    const ScrollArrival arrival =
        ScrollArrival::of(event, settings_.bits(), observer_.observing(), recorder_.isRecording());
    // Nothing to turn, no decision held, nobody watching or recording: the event passes
    // untouched, without its HID event or its device.
    if (arrival.passes() && turner_.isIdle()) {
        turner_.passed(arrival.continuous, arrival.phase, arrival.momentum);
        tally_.passed(ticksSince(start));
        return;
    }
    fullPath(event, arrival, start);
}

void InputTap::fullPath(platform::Event& event, const ScrollArrival& arrival, std::uint64_t start) {
    // Decide: the device, then the turner (which reads the system's direction only to decide).
    const platform::HIDEventRef held = hid_.copy(event);
    platform::IOHIDEvent* hid = held.get();
    const ScrollSample sample = sampleOf(event, hid, arrival);
    // Read once: the system's direction and the observer compare with them, the rewrite flips them.
    const ScrollDeltas before = readDeltas(event);
    const Flip flip = turner_.turn(sample, PackedSettings::unpack(arrival.settings), [&] {
        return systemDirection_.systemTurned(event, hid, before);
    });
    const Flip turned = turnable(flip, before);
    // The observer and the recording see the event as it came.
    if (arrival.observing) {
        observer_.report(event, sample, hid, before);
    }
    std::optional<Recording::Line> line = recorder_.line(event, sample, turned, hid);

    // Write, and verify.
    bool verified = true;
    if (!turned.isNone()) {
        const ScrollDeltas wanted = before.flipped(turned);
        turn(wanted, event, turned, hid, hid_);
        verified = verifyRewrite(event, wanted, failure_);
    }

    // Tell whoever listens.
    tally_.scrolled({sample.device, posted(event, hid), !turned.isNone(), !arrival.recording,
                     verified ? nullptr : &failure_},
                    ticksSince(start));
    if (line) {
        recorder_.scroll(std::move(*line), event, hid, turned, verified);
    }
    readBack_.sent(event);
}

bool InputTap::posted(const platform::Event& event, platform::IOHIDEvent* hid) const {
    if (hid != nullptr) {
        return false;
    }
    return !hooks_ || event.integerValue(scrollField::testSender) == 0;
}

} // namespace skiro
