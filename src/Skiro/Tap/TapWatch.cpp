#include "Skiro/Tap/TapWatch.hpp"
#include "CorvaleCore/MainHop.hpp"
#include "Skiro/Tap/Accessibility.hpp"
#include "Skiro/Tap/Logs.hpp"

namespace skiro {

using platform::EventType;

void TapWatch::disabled(EventType type) {
    parts_.tally.update([type](tap::Stats& stats) {
        (type == EventType::tapDisabledByTimeout ? stats.disabledByTimeout
                                                 : stats.disabledByUserInput) += 1;
    });
    corvale::onMain(parts_.owner.weak(), *this, [type](TapWatch& self) { self.turnedOff(type); });
}

void TapWatch::sentinel() {
    if (parts_.keeper.sentinelSaw()) {
        corvale::onMain(parts_.owner.weak(), *this, [](TapWatch& self) { self.revive(); });
    }
}

void TapWatch::ensureEnabled() {
    TapKeeper& keeper = parts_.keeper;
    if (!keeper.hasTap() || keeper.tapEnabled()) {
        return;
    }
    if (keeper.enable()) {
        logs::tap()("The tap was off; back on.");
        return;
    }
    logs::tap().error("The tap was off and wouldn't come back: a fresh one.");
    parts_.restart();
}

void TapWatch::turnedOff(EventType type) {
    TapKeeper& keeper = parts_.keeper;
    if (!keeper.hasTap() || keeper.tapEnabled()) {
        return;
    }
    if (type == EventType::tapDisabledByUserInput) {
        if (!Accessibility::canTap(parts_.system.eventTaps())) {
            logs::tap().error("The system turned the tap off, and Accessibility is gone.");
            trouble(Trouble::permissionGone);
            return;
        }
        logs::tap()("The system turned the tap off; back on.");
        keeper.enable();
        return;
    }

    switch (keeper.timedOut(parts_.system.clock().uptimeNanoseconds())) {
    case TapKeeper::Timeout::enable:
        logs::tap()("The tap was too slow and macOS turned it off; back on.");
        keeper.enable();
        return;
    case TapKeeper::Timeout::giveUp:
        parts_.tally.update([](tap::Stats& stats) { stats.restarts += 1; });
        logs::tap().error(
            "The tap kept timing out, fresh or not: stopped. Scrolling is the system's.");
        parts_.stop();
        keeper.setGaveUp();
        trouble(Trouble::gaveUp);
        return;
    case TapKeeper::Timeout::restart:
        parts_.tally.update([](tap::Stats& stats) { stats.restarts += 1; });
        logs::tap().error("The tap kept timing out: a fresh one.");
        parts_.restart();
        trouble(Trouble::restarted);
        return;
    }
}

void TapWatch::revive() {
    TapKeeper& keeper = parts_.keeper;
    if (!keeper.hasTap() || keeper.tapEnabled()) {
        return;
    }
    logs::tap()("A scroll went past the tap unseen: it was off.");
    parts_.tally.update([](tap::Stats& stats) { stats.revived += 1; });
    // Lost without notice: counted as a timeout, so that it can lead to a fresh tap.
    turnedOff(Accessibility::canTap(parts_.system.eventTaps()) ? EventType::tapDisabledByTimeout
                                                               : EventType::tapDisabledByUserInput);
}

void TapWatch::trouble(Trouble trouble) {
    // A copy: the owner may set another while it is told.
    if (OnTrouble onTrouble = onTrouble_) {
        onTrouble(trouble);
    }
}

} // namespace skiro
