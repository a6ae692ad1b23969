#include "Skiro/Tap/ReadBackTap.hpp"
#include "CorvaleCore/MainHop.hpp"
#include "Skiro/Tap/RunLoopThread.hpp"
#include "Skiro/Tap/ScrollFields.hpp"

namespace skiro {

ReadBackCheck::Sent ReadBackTap::pointDeltas(const platform::Event& event) {
    return {event.integerValue(eventField(DeltaField::point, Axis::vertical)),
            event.integerValue(eventField(DeltaField::point, Axis::horizontal))};
}

platform::Event* ReadBackTap::arrivedCallback(platform::EventType type, platform::Event& event,
                                              void* userInfo) {
    if (type == platform::EventType::scrollWheel) {
        static_cast<ReadBackTap*>(userInfo)->arrived(event);
    }
    return &event;
}

void ReadBackTap::start() {
    if (!parts_.keeper.hasTap()) {
        return;
    }
    if (!tap_) {
        tap_ = parts_.keeper.listen(platform::TapLocation::annotatedSession,
                                    platform::eventMaskBit(platform::EventType::scrollWheel),
                                    &arrivedCallback, this, "Couldn't make the delivered tap.");
    }
    run_ += 1;
    performSoon(parts_.tapLoop,
                corvale::weakly(parts_.owner.weak(), *this,
                                [run = run_](ReadBackTap& self) { self.check_.start(run); }));
}

void ReadBackTap::stop() {
    parts_.keeper.remove(tap_);
    performSoon(parts_.tapLoop, corvale::weakly(parts_.owner.weak(), *this,
                                                [](ReadBackTap& self) { self.check_.stop(); }));
}

void ReadBackTap::arrived(const platform::Event& event) {
    const ReadBackCheck::Arrival arrival = check_.arrived(pointDeltas(event));
    if (!arrival.matched) {
        return;
    }
    parts_.tally.update([&](tap::Stats& stats) {
        stats.checkAsSent = arrival.asSent;
        stats.checkTurnedBack = arrival.turnedBack;
        stats.checking = true;
    });
    if (arrival.verdict) {
        verdict(*arrival.verdict);
    }
}

void ReadBackTap::verdict(ReadBackCheck::Verdict verdict) {
    corvale::onMain(parts_.owner.weak(), *this, [verdict](ReadBackTap& self) {
        // A check stopped meanwhile still gets its verdict; one replaced by a later check not.
        if (verdict.run != self.run_) {
            return;
        }
        if (verdict.ended) {
            self.parts_.keeper.remove(self.tap_);
        }
        if (OnCheck onCheck = self.onCheck_) {
            onCheck(verdict.turnedBack);
        }
    });
}

} // namespace skiro
