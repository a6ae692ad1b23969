// The tap's lifecycle: making and removing the taps (the watch keeps the main one on).
#include "CorvaleCore/MainHop.hpp"
#include "Skiro/Tap/InputTap.hpp"
#include "Skiro/Tap/Logs.hpp"

#include <algorithm>
#include <chrono>
#include <future>
#include <thread>

namespace skiro {

namespace {

// How long a draining stop waits for the tap thread, then pauses for what it handed on.
constexpr auto drainWait = std::chrono::milliseconds(100);
constexpr auto drainPause = std::chrono::milliseconds(50);

} // namespace

platform::Event* InputTap::sentinelCallback(platform::EventType type, platform::Event& event,
                                            void* userInfo) {
    if (type == platform::EventType::scrollWheel) {
        static_cast<InputTap*>(userInfo)->watch_.sentinel();
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
                                              InputTap& self) { self.devices().merge(devices); }));
    logs::tap()([&] {
        return "Scroll tap started at " + *keeper_.location() +
               (hooks_ ? ", with test hooks" : "") + ".";
    });
    return true;
}

void InputTap::stop(bool drain) {
    readBack_.stop();
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

} // namespace skiro
