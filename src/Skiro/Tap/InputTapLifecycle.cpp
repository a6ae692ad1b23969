// The tap's lifecycle: making and removing the taps, and keeping the main one alive when the
// system switches it off.
#include "Skiro/Tap/InputTap.hpp"
#include "Skiro/Tap/Logs.hpp"
#include "Skiro/Tap/RunLoopThread.hpp"
#include "Skiro/Tap/System.hpp"

#include <algorithm>
#include <chrono>
#include <future>
#include <thread>

namespace skiro {

namespace {

using platform::EventType;

constexpr platform::EventMask scrollMask = platform::eventMaskBit(EventType::scrollWheel);

// Timeouts this close together are a burst; this many in one make a fresh tap.
constexpr std::uint64_t timeoutWindow = 10'000'000'000; // ns
constexpr std::size_t timeoutsPerBurst = 3;
// More fresh taps than this within the window: give up.
constexpr std::uint64_t restartWindow = 300'000'000'000; // ns
constexpr std::size_t restartsAllowed = 3;

// How long a draining stop waits for the tap thread, then pauses for what it handed on.
constexpr auto drainWait = std::chrono::milliseconds(100);
constexpr auto drainPause = std::chrono::milliseconds(50);

// Keeps the times less than `window` before `now`.
void keepWithin(std::vector<std::uint64_t>& times, std::uint64_t now, std::uint64_t window) {
    std::erase_if(times, [&](std::uint64_t time) { return time <= now && now - time >= window; });
}

} // namespace

InputTap& InputTap::shared(platform::System& system) {
    // Never destroyed: its taps call it until the process ends. The owning pointer itself is
    // kept, so the leak checker sees the tap as held.
    static std::shared_ptr<InputTap>* const owner = new std::shared_ptr<InputTap>(
        make(system, RunLoopThread::input(system.runLoops()).runLoop()));
    return **owner;
}

platform::Event* InputTap::tapCallback(EventType type, platform::Event& event, void* userInfo) {
    auto& self = *static_cast<InputTap*>(userInfo);
    if (type == EventType::tapDisabledByTimeout || type == EventType::tapDisabledByUserInput) {
        self.disabled(type);
    } else if (type == EventType::scrollWheel) {
        self.scrolled(event);
    }
    return &event;
}

platform::Event* InputTap::sentinelCallback(EventType type, platform::Event& event,
                                            void* userInfo) {
    if (type == EventType::scrollWheel) {
        static_cast<InputTap*>(userInfo)->sentinel();
    }
    return &event;
}

bool InputTap::start() {
    stop(false);
    gaveUp_ = false;

    platform::EventTaps& taps = system_.eventTaps();
    auto make = [&](platform::TapLocation location) {
        return taps.create(location, platform::TapPlacement::headInsert,
                           platform::TapOptions::defaultTap, scrollMask, &tapCallback, this);
    };
    std::unique_ptr<platform::EventTap> tap = make(platform::TapLocation::hid);
    location_ = "hid";
    if (!tap) {
        logs::tap().error("Couldn't make the HID tap; trying the session's.");
        tap = make(platform::TapLocation::session);
        location_ = "session";
    }
    if (!tap) {
        logs::tap().error("Couldn't make the scroll tap.");
        location_.reset();
        return false;
    }
    source_ = tap->createRunLoopSource();
    tapLoop_.addSource(*source_, platform::RunLoopMode::commonModes);
    tap->enable(true);
    tap_ = std::move(tap);

    sentinelTap_ = startSentinel();

    // Devices attached now are known before their first scroll.
    performOnTapThread(
        [weak = weak_from_this(), devices = HIDEvent::scrollDevices(system_.registry())] {
            if (std::shared_ptr<InputTap> self = weak.lock()) {
                self->mergeDevices(devices);
            }
        });

    logs::tap()([&] {
        return "Scroll tap started at " + *location_ + (hooks_ ? ", with test hooks" : "") + ".";
    });
    return true;
}

std::optional<InputTap::Port> InputTap::startSentinel() {
    return startListening(platform::TapLocation::session, scrollMask, &sentinelCallback,
                          "Couldn't make the sentinel tap.");
}

std::optional<InputTap::Port> InputTap::startListening(platform::TapLocation location,
                                                       platform::EventMask mask,
                                                       platform::TapCallback callback,
                                                       const char* failure) {
    std::unique_ptr<platform::EventTap> tap =
        system_.eventTaps().create(location, platform::TapPlacement::tailAppend,
                                   platform::TapOptions::listenOnly, mask, callback, this);
    if (!tap) {
        logs::tap().error([failure] { return std::string(failure); });
        return std::nullopt;
    }
    Port port{std::move(tap), nullptr};
    port.source = port.tap->createRunLoopSource();
    tapLoop_.addSource(*port.source, platform::RunLoopMode::commonModes);
    port.tap->enable(true);
    return port;
}

void InputTap::removePort(std::optional<Port>& port) {
    if (!port) {
        return;
    }
    if (port->source) {
        tapLoop_.removeSource(*port->source, platform::RunLoopMode::commonModes);
    }
    port->tap->invalidate();
    port.reset();
}

void InputTap::stop(bool drain) {
    stopCheck();
    checkRun_ += 1;
    performOnTapThread([weak = weak_from_this()] {
        if (std::shared_ptr<InputTap> self = weak.lock()) {
            self->setChecking(false);
        }
    });
    if (tap_) {
        tap_->enable(false);
    }
    if (sentinelTap_) {
        sentinelTap_->tap->enable(false);
    }
    if (drain && tap_) {
        // Scrolls the tap thread already holds are finished before the caller goes on; the
        // wait is bounded, and the promise outlives it if the thread is slow.
        auto done = std::make_shared<std::promise<void>>();
        std::future<void> ran = done->get_future();
        performOnTapThread([done] { done->set_value(); });
        ran.wait_for(drainWait);
        // A real pause, not the system clock's: what the tap thread handed on settles.
        std::this_thread::sleep_for(drainPause);
    }
    removePort(sentinelTap_);
    if (tap_) {
        if (source_) {
            tapLoop_.removeSource(*source_, platform::RunLoopMode::commonModes);
        }
        tap_->invalidate();
        source_.reset();
        tap_.reset();
        location_.reset();
    }
}

void InputTap::ensureEnabled() {
    if (!tap_ || tap_->isEnabled()) {
        return;
    }
    tap_->enable(true);
    if (tap_->isEnabled()) {
        logs::tap()("The tap was off; back on.");
        return;
    }
    logs::tap().error("The tap was off and wouldn't come back: a fresh one.");
    start();
}

void InputTap::disabled(EventType type) {
    updateStats([type](Stats& stats) {
        (type == EventType::tapDisabledByTimeout ? stats.disabledByTimeout
                                                 : stats.disabledByUserInput) += 1;
    });
    onMain([type](InputTap& self) { self.turnedOff(type); });
}

void InputTap::turnedOff(EventType type) {
    if (!tap_ || tap_->isEnabled()) {
        return;
    }
    if (type == EventType::tapDisabledByUserInput) {
        if (!Accessibility::canTap(system_.eventTaps())) {
            logs::tap().error("The system turned the tap off, and Accessibility is gone.");
            trouble(Trouble::permissionGone);
            return;
        }
        logs::tap()("The system turned the tap off; back on.");
        tap_->enable(true);
        return;
    }

    const std::uint64_t now = clock_.uptimeNanoseconds();
    keepWithin(timeouts_, now, timeoutWindow);
    timeouts_.push_back(now);
    if (timeouts_.size() < timeoutsPerBurst) {
        logs::tap()("The tap was too slow and macOS turned it off; back on.");
        tap_->enable(true);
        return;
    }

    timeouts_.clear();
    keepWithin(restarts_, now, restartWindow);
    restarts_.push_back(now);
    updateStats([](Stats& stats) { stats.restarts += 1; });
    if (restarts_.size() > restartsAllowed) {
        logs::tap().error(
            "The tap kept timing out, fresh or not: stopped. Scrolling is the system's.");
        restarts_.clear();
        stop(false);
        gaveUp_ = true;
        trouble(Trouble::gaveUp);
        return;
    }
    logs::tap().error("The tap kept timing out: a fresh one.");
    start();
    trouble(Trouble::restarted);
}

void InputTap::sentinel() {
    if (seenByTap_ == seenAtSentinel_) {
        missed_ += 1;
        // The first miss, then every 50th of a run: a dead tap during a long scroll does not
        // flood the main thread.
        if (missed_ == 1 || missed_ % 50 == 0) {
            onMain([](InputTap& self) { self.revive(); });
        }
    } else {
        missed_ = 0;
    }
    seenAtSentinel_ = seenByTap_;
}

void InputTap::revive() {
    if (!tap_ || tap_->isEnabled()) {
        return;
    }
    logs::tap()("A scroll went past the tap unseen: it was off.");
    updateStats([](Stats& stats) { stats.revived += 1; });
    // Lost without notice: counted as a timeout, so that it can lead to a fresh tap.
    turnedOff(Accessibility::canTap(system_.eventTaps()) ? EventType::tapDisabledByTimeout
                                                         : EventType::tapDisabledByUserInput);
}

void InputTap::trouble(Trouble trouble) {
    // A copy: the owner may set another while it is told.
    if (OnTrouble onTrouble = onTrouble_) {
        onTrouble(trouble);
    }
}

} // namespace skiro
