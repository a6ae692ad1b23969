// Those the pipeline tells of each scroll on the full path: the tally, the observer (the scroll
// test) and the recording. The read-back check's ring is its own (ReadBackCheck).
#include "CorvaleCore/MainHop.hpp"
#include "Skiro/Tap/InputTap.hpp"
#include "Skiro/Tap/Recording.hpp"

namespace skiro {

void InputTap::count(const ScrollSample& sample, const platform::Event& event,
                     platform::IOHIDEvent* hid, Flip turned, bool verified, bool recording,
                     std::uint64_t start) {
    if (!verified) {
        tally_.rewriteFailed(failure_.view());
    }
    // Without a HID event, software posted it; with test hooks, unless it stands in for a sender.
    bool posted = hid == nullptr;
    if (posted && hooks_) {
        posted = event.integerValue(scrollField::testSender) == 0;
    }
    // Recording inflates the full path: not timed while one runs.
    tally_.scrolled({sample.device, posted, !turned.isNone(), !recording}, ticksSince(start));
}

void InputTap::report(const platform::Event& event, const ScrollSample& sample,
                      platform::IOHIDEvent* hid, const ScrollDeltas& deltas) {
    // The movement in the device's own direction.
    double vertical = 0;
    double horizontal = 0;
    if (hid != nullptr) {
        vertical = hid_.value(hid, HIDEvent::fieldScrollY);
        horizontal = hid_.value(hid, HIDEvent::fieldScrollX);
    } else {
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
