#include "Skiro/Tap/ScrollObserver.hpp"
#include "CorvaleCore/MainHop.hpp"

namespace skiro {

void ScrollObserver::report(const platform::Event& event, const ScrollSample& sample,
                            platform::IOHIDEvent* hid, const ScrollDeltas& deltas) const {
    const Movement moved = movement(event, sample, hid, deltas);
    const double seconds = static_cast<double>(times_.nanoseconds(event.timestamp())) / 1e9;
    const platform::Point location = event.location();
    corvale::onMain(
        owner_.weak(), *this, [sample, moved, seconds, location](const ScrollObserver& self) {
            if (self.onScroll_) {
                self.onScroll_(sample, moved.vertical, moved.horizontal, seconds, location);
            }
        });
}

ScrollObserver::Movement ScrollObserver::movement(const platform::Event& event,
                                                  const ScrollSample& sample,
                                                  platform::IOHIDEvent* hid,
                                                  const ScrollDeltas& deltas) const {
    Movement moved;
    if (hid != nullptr) {
        moved = {hid_.value(hid, HIDEvent::fieldScrollY), hid_.value(hid, HIDEvent::fieldScrollX)};
    } else {
        moved = {sample.continuous ? static_cast<double>(deltas.vertical.point)
                                   : deltas.vertical.fixedPoint,
                 sample.continuous ? static_cast<double>(deltas.horizontal.point)
                                   : deltas.horizontal.fixedPoint};
        std::optional<platform::AppScrollEvent> app = app_.scrollEvent(event);
        if (app && app->systemTurned) {
            moved = {-moved.vertical, -moved.horizontal};
        }
    }
    // The axis the user sees moving.
    if (sample.isSidewaysWheel() && moved.horizontal == 0) {
        moved = {0, moved.vertical};
    } else if (sample.isShortcutWheel() && moved.vertical == 0) {
        moved = {moved.horizontal, 0};
    }
    return moved;
}

} // namespace skiro
