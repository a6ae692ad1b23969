#pragma once

#include "Platform/AppFramework.hpp"
#include "Platform/Event.hpp"
#include "Skiro/Tap/EventTimes.hpp"
#include "Skiro/Tap/HIDEvent.hpp"
#include "Skiro/Tap/Lifetime.hpp"
#include "SkiroCore/ScrollDeltas.hpp"
#include "SkiroEngine/ScrollSample.hpp"

#include <atomic>
#include <functional>

namespace skiro {

// The scroll test's observer: while on, each scroll on the full path is shown, on the main
// thread, as the device moved it and on the axis the user sees moving.
class ScrollObserver {
public:
    // The sample, the movement in the device's own direction (vertical, horizontal), the event's
    // time in seconds and the pointer location.
    using OnScroll =
        std::function<void(const ScrollSample& sample, double vertical, double horizontal,
                           double seconds, platform::Point location)>;

    struct Movement {
        double vertical = 0;
        double horizontal = 0;
        bool operator==(const Movement&) const = default;
    };

    // Reports hold `owner` weakly; the rest outlive the observer.
    ScrollObserver(Lifetime owner, const HIDEvent::Functions& hid,
                   const platform::AppFramework& app, EventTimes times)
        : owner_(owner), hid_(hid), app_(app), times_(times) {}

    // --- Any thread; read on every scroll.
    bool observing() const { return observing_.load(std::memory_order_acquire); }
    void setObserving(bool observing) { observing_.store(observing, std::memory_order_release); }

    // --- Main thread.
    void setOnScroll(OnScroll onScroll) { onScroll_ = std::move(onScroll); }
    const OnScroll& onScroll() const { return onScroll_; }

    // --- Tap thread.

    // Hands one scroll, as it came, to the main thread. `deltas` are the event's.
    void report(const platform::Event& event, const ScrollSample& sample, platform::IOHIDEvent* hid,
                const ScrollDeltas& deltas) const;
    // The movement in the device's own direction: the HID event's, else the event's deltas turned
    // back when the system turned them. A sideways wheel shows it horizontally, a shortcut wheel
    // vertically.
    Movement movement(const platform::Event& event, const ScrollSample& sample,
                      platform::IOHIDEvent* hid, const ScrollDeltas& deltas) const;

private:
    const Lifetime owner_;
    const HIDEvent::Functions& hid_;
    const platform::AppFramework& app_;
    const EventTimes times_;
    std::atomic<bool> observing_{false};
    OnScroll onScroll_; // main thread
};

} // namespace skiro
