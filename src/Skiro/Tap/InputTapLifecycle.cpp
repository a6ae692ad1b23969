// The tap's lifecycle: making and removing the taps, and keeping the main one alive when the
// system switches it off.
#include "CorvaleCore/MainHop.hpp"
#include "Skiro/Tap/Accessibility.hpp"
#include "Skiro/Tap/InputTap.hpp"
#include "Skiro/Tap/Logs.hpp"

#include <algorithm>
#include <chrono>
#include <future>
#include <thread>

namespace skiro {

namespace {

using platform::EventType;

// How long a draining stop waits for the tap thread, then pauses for what it handed on.
constexpr auto drainWait = std::chrono::milliseconds(100);
constexpr auto drainPause = std::chrono::milliseconds(50);

} // namespace

platform::Event* InputTap::sentinelCallback(EventType type, platform::Event& event,
                                            void* userInfo) {
    if (type == EventType::scrollWheel) {
        static_cast<InputTap*>(userInfo)->sentinel();
    }
    return &event;
}

bool InputTap::start() {
    stop(false);
    if (!keeper_.start(&tapCallback, &sentinelCallback, this)) {
        return false;
    }
    // Devices attached now are known before their first scroll.
    performOnTapThread(
        corvale::weakly(weak_from_this(), [devices = HIDEvent::scrollDevices(system_.registry())](
                                              InputTap& self) { self.mergeDevices(devices); }));
    logs::tap()([&] {
        return "Scroll tap started at " + *keeper_.location() +
               (hooks_ ? ", with test hooks" : "") + ".";
    });
    return true;
}

void InputTap::stop(bool drain) {
    stopCheck();
    performOnTapThread(
        corvale::weakly(weak_from_this(), [](InputTap& self) { self.readBack_.stop(); }));
    keeper_.disable();
    if (drain && keeper_.hasTap()) {
        // Scrolls the tap thread already holds are finished before the caller goes on; the
        // wait is bounded, and the promise outlives it if the thread is slow.
        auto done = std::make_shared<std::promise<void>>();
        std::future<void> ran = done->get_future();
        performOnTapThread([done] { done->set_value(); });
        ran.wait_for(drainWait);
        // A real pause, not the system clock's: what the tap thread handed on settles.
        std::this_thread::sleep_for(drainPause);
    }
    keeper_.remove();
}

void InputTap::ensureEnabled() {
    if (!keeper_.hasTap() || keeper_.tapEnabled()) {
        return;
    }
    if (keeper_.enable()) {
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
    corvale::onMain(weak_from_this(), [type](InputTap& self) { self.turnedOff(type); });
}

void InputTap::turnedOff(EventType type) {
    if (!keeper_.hasTap() || keeper_.tapEnabled()) {
        return;
    }
    if (type == EventType::tapDisabledByUserInput) {
        if (!Accessibility::canTap(system_.eventTaps())) {
            logs::tap().error("The system turned the tap off, and Accessibility is gone.");
            trouble(Trouble::permissionGone);
            return;
        }
        logs::tap()("The system turned the tap off; back on.");
        keeper_.enable();
        return;
    }

    switch (keeper_.timedOut(clock_.uptimeNanoseconds())) {
    case TapKeeper::Timeout::enable:
        logs::tap()("The tap was too slow and macOS turned it off; back on.");
        keeper_.enable();
        return;
    case TapKeeper::Timeout::giveUp:
        updateStats([](Stats& stats) { stats.restarts += 1; });
        logs::tap().error(
            "The tap kept timing out, fresh or not: stopped. Scrolling is the system's.");
        stop(false);
        keeper_.setGaveUp();
        trouble(Trouble::gaveUp);
        return;
    case TapKeeper::Timeout::restart:
        updateStats([](Stats& stats) { stats.restarts += 1; });
        logs::tap().error("The tap kept timing out: a fresh one.");
        start();
        trouble(Trouble::restarted);
        return;
    }
}

void InputTap::sentinel() {
    if (keeper_.sentinelSaw()) {
        corvale::onMain(weak_from_this(), [](InputTap& self) { self.revive(); });
    }
}

void InputTap::revive() {
    if (!keeper_.hasTap() || keeper_.tapEnabled()) {
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
