#pragma once

#include "CorvaleCore/Dispatch.hpp"
#include "Platform/System.hpp"
#include "Skiro/Tap/DeviceCache.hpp"
#include "Skiro/Tap/EventTimes.hpp"
#include "Skiro/Tap/HIDEvent.hpp"
#include "Skiro/Tap/PackedSettings.hpp"
#include "Skiro/Tap/ReadBackTap.hpp"
#include "Skiro/Tap/Recorder.hpp"
#include "Skiro/Tap/ScrollArrival.hpp"
#include "Skiro/Tap/ScrollFields.hpp"
#include "Skiro/Tap/ScrollObserver.hpp"
#include "Skiro/Tap/Signpost.hpp"
#include "Skiro/Tap/Stats.hpp"
#include "Skiro/Tap/SystemDirection.hpp"
#include "Skiro/Tap/Tally.hpp"
#include "Skiro/Tap/TapKeeper.hpp"
#include "Skiro/Tap/TapStall.hpp"
#include "Skiro/Tap/TapWatch.hpp"
#include "SkiroEngine/Turner.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace skiro {

// The scroll tap: handles every scroll the system hands to its tap, on the tap thread, as a short
// pipeline (decide, write, verify, tell) over the pieces it composes: the packed settings, the
// device cache, the system's direction and the turner decide; the tally, the observer, the
// recorder and the read-back check are told; the keeper and the watch keep the taps alive.
//
// Threads. `scrolled` and everything marked "tap thread" run only on the thread whose run loop
// is `tapLoop()`; other threads reach that state through `performOnTapThread`. What every scroll
// reads (the settings, whether anyone observes) is a single atomic value, and the tap thread
// counts each scroll without a lock (tap::Tally), so a scroll never waits for another thread.
// Each piece says which thread runs each of its calls.
//
// Always owned by a shared_ptr (`make`): registry lookups and every piece's hand-overs to
// other threads hold it weakly (Lifetime). The system and the tap thread's run loop must outlive
// it, and its taps call it back through a plain pointer: stop it (on the main thread) and let the
// tap thread finish what it holds before the last reference goes.
class InputTap : public std::enable_shared_from_this<InputTap> {
public:
    using Cost = tap::Cost;
    using Stats = tap::Stats;
    using Trouble = TapWatch::Trouble;
    using Timer = Recorder::Timer;
    using Recorded = Recorder::Recorded;

    struct Options {
        // Default: the process's test hooks (`testHooks()`).
        std::optional<bool> testHooks;
        // Where registry lookups run. Default: the global user-initiated queue.
        std::optional<corvale::DispatchQueue> lookups;
        // Ends recordings. Default: the main queue after the delay.
        Timer timer;
        // Where recordings are written. Default: the global utility queue.
        std::optional<corvale::DispatchQueue> writes;
    };

    // `tapLoop` is the run loop of the thread the taps run on.
    static std::shared_ptr<InputTap> make(platform::System& system, platform::RunLoop& tapLoop,
                                          Options options = {});
    InputTap(const InputTap&) = delete;
    InputTap& operator=(const InputTap&) = delete;
    ~InputTap();

    // True exactly when SKIRO_TEST_HOOKS is "1"; read once per process.
    static bool testHooks();

    platform::System& system() const { return system_; }
    platform::RunLoop& tapLoop() const { return tapLoop_; }
    bool hooksOn() const { return hooks_; }
    const HIDEvent::Functions& hidFunctions() const { return hid_; }

    // --- Any thread.

    Turner::Settings settings() const;
    void setSettings(const Turner::Settings& settings);

    // A consistent copy of the whole tally.
    Stats stats() const { return tally_.copy(); }
    // Rare changes to the tally, under its lock: `change(Stats&)` must only add or set a few
    // values (the read-back failure text is the pipeline's own and is not taken from here).
    template <class Change>
    void updateStats(Change&& change) {
        tally_.update(std::forward<Change>(change));
    }

    // Test hook (TapStall), read only while test hooks are on.
    void setStall(std::int64_t milliseconds, std::int64_t count);

    // Queues `block` on the tap thread and wakes it.
    void performOnTapThread(std::function<void()> block) const;

    // An event timestamp (machine ticks or nanoseconds) in nanoseconds.
    std::uint64_t nanoseconds(std::uint64_t timestamp) const {
        return times_.nanoseconds(timestamp);
    }

    // --- Main thread.

    // Makes a fresh tap and its sentinel, stopping whatever ran before (so it also restarts);
    // true when a tap was made. Clears `gaveUp`.
    bool start();
    // Disables and removes every tap and ends the read-back check. With `drain`, also waits
    // briefly (at most 0.15 s) for the tap thread to finish what it has queued: at exit.
    void stop(bool drain);
    // A switched-off tap back on, or a fresh one when it will not come back (wake, unlock).
    void ensureEnabled() { watch_.ensureEnabled(); }

    bool hasTap() const { return keeper_.hasTap(); }
    // A tap exists and the system reports it switched on.
    bool tapEnabled() const { return keeper_.tapEnabled(); }
    // Stopped after repeated timeouts; until the next `start`.
    bool gaveUp() const { return keeper_.gaveUp(); }
    // "hid" or "session" while a tap exists.
    const std::optional<std::string>& location() const { return keeper_.location(); }
    // The taps and their health (main thread; its counts, tap thread).
    const TapKeeper& keeper() const { return keeper_; }
    void setOnTrouble(TapWatch::OnTrouble onTrouble) { watch_.setOnTrouble(std::move(onTrouble)); }

    // The pieces told of each scroll: the scroll test's observer, the recorder and the
    // read-back check. Each says on which thread each of its calls runs.
    ScrollObserver& observer() { return observer_; }
    Recorder& recorder() { return recorder_; }
    ReadBackTap& readBack() { return readBack_; }

    // --- Tap thread.

    // What the tap knows of the devices behind scrolls (a started tap merges the registry's).
    DeviceCache& devices() { return devices_; }

    // One scroll event, changed in place. Never fails, never drops the event. The system's
    // callback into it is `tapCallback`.
    void scrolled(platform::Event& event);
    static platform::Event* tapCallback(platform::EventType type, platform::Event& event,
                                        void* userInfo);

protected:
    InputTap(platform::System& system, platform::RunLoop& tapLoop, Options options);

private:
    static platform::Event* sentinelCallback(platform::EventType type, platform::Event& event,
                                             void* userInfo);

    // Decide, write, verify, tell. Apart from `scrolled`, so that the fast path stays small.
    [[gnu::noinline]] void fullPath(platform::Event& event, const ScrollArrival& arrival,
                                    std::uint64_t start);
    // The deciding steps on the full path, in its order.
    ScrollSample sampleOf(const platform::Event& event, platform::IOHIDEvent* hid,
                          const ScrollArrival& arrival);
    Device deviceOf(const platform::Event& event, platform::IOHIDEvent* hid, bool continuous,
                    std::int64_t phase, std::int64_t momentum);
    void startLookup(std::uint64_t sender);
    // Without a HID event, software posted it; with test hooks, unless it stands in for a sender.
    bool posted(const platform::Event& event, platform::IOHIDEvent* hid) const;

    // Clock ticks since `start`; the tally turns them into nanoseconds when read.
    std::uint64_t ticksSince(std::uint64_t start) const;

    platform::System& system_;
    platform::RunLoop& tapLoop_;
    platform::Clock& clock_;
    const platform::Timebase timebase_;
    const HIDEvent::Functions hid_;
    const bool hooks_;
    const corvale::DispatchQueue lookups_;
    const Timer timer_;
    const corvale::DispatchQueue writes_;
    TapKeeper keeper_; // main thread; its counts, tap thread
    const EventTimes times_{clock_, timebase_};

    // Tap thread, but for the settings (atomic), the tally (read anywhere), the stall (behind
    // its own small lock) and the pieces' own threads.
    Signposter signposter_{"tap"};
    PackedSettings settings_;
    tap::Tally tally_{timebase_};
    DeviceCache devices_;
    ScrollObserver observer_{Lifetime(*this), hid_, system_.appFramework(), times_};
    Recorder recorder_{
        {Lifetime(*this), system_, tapLoop_, keeper_, hid_, devices_, times_, timer_, writes_}};
    Turner turner_;
    TapStall stall_;
    ReadBackTap readBack_{{Lifetime(*this), tapLoop_, keeper_, tally_}};
    RewriteFailure failure_; // the latest, kept here so that the path allocates nothing
    SystemDirection systemDirection_{{clock_, system_.appFramework(), hid_, tally_}};
    TapWatch watch_{{Lifetime(*this), system_, keeper_, tally_, [this] { return start(); },
                     [this] { stop(false); }}};
};

} // namespace skiro
