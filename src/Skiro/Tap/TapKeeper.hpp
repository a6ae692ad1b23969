#pragma once

#include "Platform/System.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace skiro {

// Keeps the scroll tap alive: the main tap (head of the HID stream, else the session's), the
// sentinel listening at the tail of the session stream, and the windows that decide what a
// timeout leads to. Taps are made and removed on the main thread; the sentinel's count is kept
// on the tap thread. Windows are read in uptime nanoseconds.
class TapKeeper {
public:
    // A listen-only tap with its run-loop source.
    struct Port {
        std::unique_ptr<platform::EventTap> tap;
        std::unique_ptr<platform::RunLoopSource> source;
    };

    // Timeouts this close together are a burst; this many in one make a fresh tap.
    static constexpr std::uint64_t timeoutWindow = 10'000'000'000; // ns
    static constexpr std::size_t timeoutsPerBurst = 3;
    // More fresh taps than this within the window: give up.
    static constexpr std::uint64_t restartWindow = 300'000'000'000; // ns
    static constexpr std::size_t restartsAllowed = 3;

    TapKeeper(platform::EventTaps& taps, platform::RunLoop& tapLoop)
        : taps_(taps), tapLoop_(tapLoop) {}

    // --- Main thread.

    // Makes the main tap and the sentinel, both calling back with `userInfo`; false (and no
    // taps) when no main tap could be made. Clears `gaveUp`.
    bool start(platform::TapCallback main, platform::TapCallback sentinel, void* userInfo);
    // Switches the main tap and the sentinel off; they stay until `remove`.
    void disable();
    void remove();

    // A listen-only tap at the tail of `location`, attached to the tap thread and enabled;
    // nothing (and `failure` logged) when the system refuses it.
    std::optional<Port> listen(platform::TapLocation location, platform::EventMask mask,
                               platform::TapCallback callback, void* userInfo, const char* failure);
    // Switches `port` off and removes it; nothing when there is none.
    void remove(std::optional<Port>& port);

    bool hasTap() const { return tap_ != nullptr; }
    bool tapEnabled() const { return tap_ != nullptr && tap_->isEnabled(); }
    // Switches the main tap on; true when the system reports it on.
    bool enable();
    const std::optional<std::string>& location() const { return location_; }
    bool gaveUp() const { return gaveUp_; }
    void setGaveUp() { gaveUp_ = true; }

    // What a timeout at `now` leads to.
    enum class Timeout { enable, restart, giveUp };
    Timeout timedOut(std::uint64_t now);

    // --- Tap thread.

    // A scroll reached the main tap.
    void scrollSeen() { seenByTap_ += 1; }
    // A scroll reached the sentinel: true when the main tap is to be looked at (it missed the
    // scroll; the first miss, then every 50th of a run, so that a dead tap during a long
    // scroll does not flood the main thread).
    bool sentinelSaw();
    std::int64_t seenByTap() const { return seenByTap_; }
    // Scrolls in a row the sentinel saw and the tap did not.
    std::int64_t missed() const { return missed_; }

private:
    platform::EventTaps& taps_;
    platform::RunLoop& tapLoop_;

    // Main thread.
    std::unique_ptr<platform::EventTap> tap_;
    std::unique_ptr<platform::RunLoopSource> source_;
    std::optional<Port> sentinel_;
    std::optional<std::string> location_;
    std::vector<std::uint64_t> timeouts_;
    std::vector<std::uint64_t> restarts_;
    bool gaveUp_ = false;

    // Tap thread.
    std::int64_t seenByTap_ = 0;
    std::int64_t seenAtSentinel_ = 0;
    std::int64_t missed_ = 0;
};

} // namespace skiro
