// The read-back check as the tap runs it: its tap where scrolls are delivered, and its verdicts
// handed to the main thread.
#include "CorvaleCore/MainHop.hpp"
#include "Skiro/Tap/InputTap.hpp"

namespace skiro {

platform::Event* InputTap::arrivedCallback(platform::EventType type, platform::Event& event,
                                           void* userInfo) {
    if (type == platform::EventType::scrollWheel) {
        static_cast<InputTap*>(userInfo)->arrived(event);
    }
    return &event;
}

void InputTap::check() {
    if (!keeper_.hasTap()) {
        return;
    }
    if (!checkTap_) {
        checkTap_ = startDelivered(&arrivedCallback);
    }
    checkRun_ += 1;
    performOnTapThread(corvale::weakly(
        weak_from_this(), [run = checkRun_](InputTap& self) { self.readBack_.start(run); }));
}

void InputTap::verdict(ReadBackCheck::Verdict verdict) {
    corvale::onMain(weak_from_this(), [verdict](InputTap& self) {
        // A check stopped meanwhile still gets its verdict; one replaced by a later check not.
        if (verdict.run != self.checkRun_) {
            return;
        }
        if (verdict.ended) {
            self.stopCheck();
        }
        if (OnCheck onCheck = self.onCheck_) {
            onCheck(verdict.turnedBack);
        }
    });
}

std::optional<InputTap::Port> InputTap::startDelivered(platform::TapCallback callback) {
    return keeper_.listen(platform::TapLocation::annotatedSession,
                          platform::eventMaskBit(platform::EventType::scrollWheel), callback, this,
                          "Couldn't make the delivered tap.");
}

void InputTap::stopCheck() {
    keeper_.remove(checkTap_);
}

void InputTap::arrived(const platform::Event& event) {
    const ReadBackCheck::Arrival arrival = readBack_.arrived(pointDeltas(event));
    if (!arrival.matched) {
        return;
    }
    updateStats([&](Stats& stats) {
        stats.checkAsSent = arrival.asSent;
        stats.checkTurnedBack = arrival.turnedBack;
        stats.checking = true;
    });
    if (arrival.verdict) {
        verdict(*arrival.verdict);
    }
}

} // namespace skiro
