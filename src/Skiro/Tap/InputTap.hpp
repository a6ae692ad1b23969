#pragma once

#include "CorvaleCore/Dispatch.hpp"
#include "CorvaleCore/Locked.hpp"
#include "Platform/System.hpp"
#include "Skiro/Tap/DeviceCache.hpp"
#include "Skiro/Tap/HIDEvent.hpp"
#include "Skiro/Tap/PackedSettings.hpp"
#include "Skiro/Tap/ReadBackCheck.hpp"
#include "Skiro/Tap/ScrollFields.hpp"
#include "Skiro/Tap/Signpost.hpp"
#include "Skiro/Tap/Stats.hpp"
#include "Skiro/Tap/Tally.hpp"
#include "Skiro/Tap/TapKeeper.hpp"
#include "SkiroEngine/Turner.hpp"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

namespace skiro {

// A running recording (made by the record command).
class Recording;

// The scroll tap: handles every scroll the system hands to its tap, on the tap thread, with the
// parts it composes: the turner, the device cache, the read-back check, the keeper of the taps,
// the packed settings and the statistics.
//
// Threads. `scrolled` and everything marked "tap thread" run only on the thread whose run loop
// is `tapLoop()`; other threads reach that state through `performOnTapThread`. The settings
// and `observing`, read on every scroll, are single atomic values, and the tap thread counts
// each scroll without a lock (tap::Tally), so a scroll never waits for another thread. The
// stall is behind a small lock. `onScroll` is set and called on the main thread.
//
// Always owned by a shared_ptr (`make`): registry lookups, observer reports and the hand-overs
// to the main thread hold it weakly. The system and the tap thread's run loop must outlive it,
// and its taps call it back through a plain pointer: stop it (on the main thread) and let the
// tap thread finish what it holds before the last reference goes.
//
// Lifecycle. `start` makes the main tap (head of the HID stream, else the session's) and a
// sentinel listening at the tail of the session stream; when the system switches the main tap
// off it is switched back on, replaced after three timeouts within 10 s, and given up after a
// fourth replacement within 300 s. The sentinel finds a tap switched off without notice. The
// windows are read on the system's clock.
class InputTap : public std::enable_shared_from_this<InputTap> {
public:
    using Cost = tap::Cost;
    using Stats = tap::Stats;

    // What the tap tells its owner (on the main thread).
    enum class Trouble {
        permissionGone, // switched off by the system, and the Accessibility permission is gone
        restarted,      // it kept timing out; a fresh tap was made
        gaveUp,         // fresh taps kept timing out; the tap is stopped
    };
    using OnTrouble = std::function<void(Trouble)>;
    // The read-back check's verdict: true when scrolls come out turned back.
    using OnCheck = std::function<void(bool turnedBack)>;

    // The scroll test's observer: the sample, the movement in the device's own direction
    // (vertical, horizontal), the event's time in seconds and the pointer location.
    using OnScroll =
        std::function<void(const ScrollSample& sample, double vertical, double horizontal,
                           double seconds, platform::Point location)>;

    // Runs `fire` on the main thread once `delay` has passed.
    using Timer = std::function<void(std::chrono::nanoseconds delay, std::function<void()> fire)>;
    // How a recording ended: where it was written, or nothing, and then whether a later
    // recording replaced it before its end (else the file could not be written).
    struct Recorded {
        std::optional<std::filesystem::path> file;
        bool replaced = false;
    };
    using RecordingDone = std::function<void(Recorded recorded)>;

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
    bool observing() const { return observing_.load(std::memory_order_acquire); }
    void setObserving(bool observing) { observing_.store(observing, std::memory_order_release); }

    // A consistent copy of the whole tally.
    Stats stats() const { return tally_.copy(); }
    // Rare changes to the tally, under its lock: `change(Stats&)` must only add or set a few
    // values (the read-back failure text is the pipeline's own and is not taken from here).
    template <class Change>
    void updateStats(Change&& change) {
        tally_.update(std::forward<Change>(change));
    }

    // Test hook: the next `count` scrolls each stall the tap thread for `milliseconds` first.
    // Read only while test hooks are on.
    void setStall(std::int64_t milliseconds, std::int64_t count);

    // Queues `block` on the tap thread and wakes it.
    void performOnTapThread(std::function<void()> block) const;

    // An event timestamp (machine ticks or nanoseconds) in nanoseconds.
    std::uint64_t nanoseconds(std::uint64_t timestamp) const;

    // --- Main thread.

    void setOnScroll(OnScroll onScroll) { onScroll_ = std::move(onScroll); }
    const OnScroll& onScroll() const { return onScroll_; }

    // Makes a fresh tap and its sentinel, stopping whatever ran before (so it also restarts);
    // true when a tap was made. Clears `gaveUp`.
    bool start();
    // Disables and removes every tap and ends the read-back check. With `drain`, also waits
    // briefly (at most 0.15 s) for the tap thread to finish what it has queued: at exit.
    void stop(bool drain);
    // A switched-off tap back on, or a fresh one when it will not come back (wake, unlock).
    void ensureEnabled();

    bool hasTap() const { return keeper_.hasTap(); }
    // A tap exists and the system reports it switched on.
    bool tapEnabled() const { return keeper_.tapEnabled(); }
    // Stopped after repeated timeouts; until the next `start`.
    bool gaveUp() const { return keeper_.gaveUp(); }
    // "hid" or "session" while a tap exists.
    const std::optional<std::string>& location() const { return keeper_.location(); }
    // The taps and their health (main thread; its counts, tap thread).
    const TapKeeper& keeper() const { return keeper_; }
    void setOnTrouble(OnTrouble onTrouble) { onTrouble_ = std::move(onTrouble); }

    // Starts (or restarts) the read-back check; nothing without a tap.
    void check();
    bool hasCheckTap() const { return checkTap_.has_value(); }
    void setOnCheck(OnCheck onCheck) { onCheck_ = std::move(onCheck); }

    // Records for `seconds` what the tap sees of each scroll and what applications receive,
    // then writes the file on the writing queue and tells `done` there how it ended. `header`
    // (an object) is the first line. The caller checks the length.
    void record(double seconds, corvale::json::Json header, RecordingDone done);
    bool hasRecordingTap() const { return recordTap_.has_value(); }

    // --- Any thread.

    // Adds `line`, without a time, to the running recording, if any.
    void note(corvale::json::Json line);

    // --- Tap thread.

    // Adds a snapshot of the registry's scroll devices; senders already known keep theirs.
    void mergeDevices(const std::unordered_map<std::uint64_t, Device>& devices) {
        devices_.merge(devices);
    }
    // The device cache and the read-back check, as the tap thread keeps them.
    const DeviceCache& devices() const { return devices_; }
    const ReadBackCheck& readBack() const { return readBack_; }

    // Whether the system turned this scroll (natural scrolling in effect for it): from the HID
    // event's movement against the event's deltas, else the last such answer, else the
    // application framework. `deltas` are the event's, as it came.
    bool systemTurned(const platform::Event& event, platform::IOHIDEvent* hid,
                      const ScrollDeltas& deltas);

    // The system switched the main tap off (type tapDisabledByTimeout or
    // tapDisabledByUserInput): counted, and answered on the main thread.
    void disabled(platform::EventType type);
    // A scroll reached the sentinel.
    void sentinel();
    // A scroll reached the read-back tap where it is delivered to applications.
    void arrived(const platform::Event& event);
    // A scroll reached the recording's tap where it is delivered to applications.
    void delivered(const platform::Event& event);
    bool isRecording() const { return recording_ != nullptr; }
    // The running recording, read without writing it (replays compare it with a file).
    const std::shared_ptr<Recording>& recording() const { return recording_; }

    // One scroll event, changed in place. Never fails, never drops the event. The system's
    // callback into it is `tapCallback`.
    void scrolled(platform::Event& event);
    static platform::Event* tapCallback(platform::EventType type, platform::Event& event,
                                        void* userInfo);

protected:
    InputTap(platform::System& system, platform::RunLoop& tapLoop, Options options);

private:
    struct Stall {
        std::int64_t milliseconds = 0;
        std::int64_t count = 0;
    };
    using Port = TapKeeper::Port;

    static platform::Event* sentinelCallback(platform::EventType type, platform::Event& event,
                                             void* userInfo);
    static platform::Event* arrivedCallback(platform::EventType type, platform::Event& event,
                                            void* userInfo);
    static platform::Event* deliveredCallback(platform::EventType type, platform::Event& event,
                                              void* userInfo);
    // The end of the recording made by record call `run`.
    void endRecording(std::uint64_t run, std::weak_ptr<Recording> made, RecordingDone done);
    // A listen-only tap where scrolls are delivered to applications.
    std::optional<Port> startDelivered(platform::TapCallback callback);
    void stopCheck();
    // The point deltas the read-back check compares.
    static ReadBackCheck::Sent pointDeltas(const platform::Event& event);
    // On the main queue: the verdict, unless a later check began since.
    void verdict(ReadBackCheck::Verdict verdict);
    void turnedOff(platform::EventType type);
    void revive();
    void trouble(Trouble trouble);

    // What the pipeline reads of every scroll before choosing its path.
    struct Arrival {
        std::uint8_t settings = 0; // PackedSettings
        bool continuous = false;
        std::int64_t phase = 0;
        std::int64_t momentum = 0;
        bool observing = false;
        bool recording = false;
        // Nothing asks for the full path but, perhaps, a held decision.
        bool passes() const {
            return !PackedSettings::turnsAnything(settings) && !observing && !recording;
        }
    };
    Arrival arrivalOf(const platform::Event& event) const;
    // Decide, write, verify, tell. Apart from `scrolled`, so that the fast path stays small.
    [[gnu::noinline]] void fullPath(platform::Event& event, const Arrival& arrival,
                                    std::uint64_t start);
    // The pipeline's pieces on the full path, in its order.
    ScrollSample sampleOf(const platform::Event& event, platform::IOHIDEvent* hid,
                          const Arrival& arrival);
    // A running recording's line for the scroll, before any rewrite.
    std::optional<corvale::json::Json> recordingLine(const Arrival& arrival,
                                                     const platform::Event& event,
                                                     const ScrollSample& sample, Flip turned,
                                                     platform::IOHIDEvent* hid);
    void count(const ScrollSample& sample, const platform::Event& event, platform::IOHIDEvent* hid,
               Flip turned, bool verified, bool recording, std::uint64_t start);
    // Adds what the rewrite left ("after", "nsAfter", "hidAfter", "readBack") and hands the
    // line to the recording with the event's time.
    void recordScroll(corvale::json::Json line, const platform::Event& event,
                      platform::IOHIDEvent* hid, Flip turned, bool verified);

    void stallIfAsked();
    // Clock ticks since `start`; the tally turns them into nanoseconds when read.
    std::uint64_t ticksSince(std::uint64_t start) const;
    Device deviceOf(const platform::Event& event, platform::IOHIDEvent* hid, bool continuous,
                    std::int64_t phase, std::int64_t momentum);
    void startLookup(std::uint64_t sender);
    void report(const platform::Event& event, const ScrollSample& sample, platform::IOHIDEvent* hid,
                const ScrollDeltas& deltas);

    platform::System& system_;
    platform::RunLoop& tapLoop_;
    platform::Clock& clock_;
    const platform::Timebase timebase_;
    const HIDEvent::Functions hid_;
    const bool hooks_;
    const corvale::DispatchQueue lookups_;
    const Timer timer_;
    const corvale::DispatchQueue writes_;

    // Tap thread, but for the settings and observing (atomic), the tally (read anywhere) and
    // the stall (behind its own small lock).
    Signposter signposter_{"tap"};
    PackedSettings settings_;
    tap::Tally tally_{timebase_};
    std::atomic<bool> observing_{false};
    OnScroll onScroll_; // main thread
    Turner turner_;
    std::shared_ptr<Recording> recording_; // set while a recording runs
    DeviceCache devices_;
    corvale::Locked<Stall> stall_;
    ReadBackCheck readBack_;
    RewriteFailure failure_; // the latest, kept here so that the path allocates nothing
    std::optional<bool> lastSystemTurned_;

    // Main thread.
    TapKeeper keeper_;
    std::optional<Port> checkTap_;
    OnCheck onCheck_;
    // Checks started: a verdict queued for one that a later check replaced is dropped.
    std::uint64_t checkRun_ = 0;
    OnTrouble onTrouble_;
    std::optional<Port> recordTap_; // the running recording's delivered tap
    std::uint64_t recordRun_ = 0;   // record calls so far
};

} // namespace skiro
