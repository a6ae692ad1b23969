// The deciding half of the pipeline: the scroll's sample and device (the system's direction is
// SystemDirection's). Nothing here waits for the registry: unknown senders are looked up
// elsewhere.
#include "CorvaleCore/MainHop.hpp"
#include "Skiro/Tap/InputTap.hpp"

namespace skiro {

ScrollSample InputTap::sampleOf(const platform::Event& event, platform::IOHIDEvent* hid,
                                const ScrollArrival& arrival) {
    const platform::EventFlags flags = event.flags();
    return ScrollSample{deviceOf(event, hid, arrival.continuous, arrival.phase, arrival.momentum),
                        arrival.continuous,
                        arrival.phase,
                        arrival.momentum,
                        (flags & modifier::shift) != 0,
                        (flags & modifier::shortcutKeys) != 0};
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

} // namespace skiro
