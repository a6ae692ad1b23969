#include "Skiro/Tap/TapKeeper.hpp"
#include "Skiro/Tap/Logs.hpp"

#include <algorithm>

namespace skiro {

namespace {

using platform::EventType;

constexpr platform::EventMask scrollMask = platform::eventMaskBit(EventType::scrollWheel);

// Keeps the times less than `window` before `now`.
void keepWithin(std::vector<std::uint64_t>& times, std::uint64_t now, std::uint64_t window) {
    std::erase_if(times, [&](std::uint64_t time) { return time <= now && now - time >= window; });
}

} // namespace

bool TapKeeper::start(platform::TapCallback main, platform::TapCallback sentinel, void* userInfo) {
    gaveUp_ = false;
    auto make = [&](platform::TapLocation location) {
        return taps_.create(location, platform::TapPlacement::headInsert,
                            platform::TapOptions::defaultTap, scrollMask, main, userInfo);
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
    sentinel_ = listen(platform::TapLocation::session, scrollMask, sentinel, userInfo,
                       "Couldn't make the sentinel tap.");
    return true;
}

void TapKeeper::disable() {
    if (tap_) {
        tap_->enable(false);
    }
    if (sentinel_) {
        sentinel_->tap->enable(false);
    }
}

void TapKeeper::remove() {
    remove(sentinel_);
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

std::optional<TapKeeper::Port> TapKeeper::listen(platform::TapLocation location,
                                                 platform::EventMask mask,
                                                 platform::TapCallback callback, void* userInfo,
                                                 const char* failure) {
    std::unique_ptr<platform::EventTap> tap =
        taps_.create(location, platform::TapPlacement::tailAppend, platform::TapOptions::listenOnly,
                     mask, callback, userInfo);
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

void TapKeeper::remove(std::optional<Port>& port) {
    if (!port) {
        return;
    }
    port->tap->enable(false);
    if (port->source) {
        tapLoop_.removeSource(*port->source, platform::RunLoopMode::commonModes);
    }
    port->tap->invalidate();
    port.reset();
}

bool TapKeeper::enable() {
    if (!tap_) {
        return false;
    }
    tap_->enable(true);
    return tap_->isEnabled();
}

TapKeeper::Timeout TapKeeper::timedOut(std::uint64_t now) {
    keepWithin(timeouts_, now, timeoutWindow);
    timeouts_.push_back(now);
    if (timeouts_.size() < timeoutsPerBurst) {
        return Timeout::enable;
    }
    timeouts_.clear();
    keepWithin(restarts_, now, restartWindow);
    restarts_.push_back(now);
    if (restarts_.size() > restartsAllowed) {
        restarts_.clear();
        return Timeout::giveUp;
    }
    return Timeout::restart;
}

bool TapKeeper::sentinelSaw() {
    bool look = false;
    if (seenByTap_ == seenAtSentinel_) {
        missed_ += 1;
        look = missed_ == 1 || missed_ % 50 == 0;
    } else {
        missed_ = 0;
    }
    seenAtSentinel_ = seenByTap_;
    return look;
}

} // namespace skiro
