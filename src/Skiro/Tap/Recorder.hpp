#pragma once

#include "CorvaleCore/Dispatch.hpp"
#include "CorvaleCore/Json.hpp"
#include "Platform/System.hpp"
#include "Skiro/Tap/DeviceCache.hpp"
#include "Skiro/Tap/EventTimes.hpp"
#include "Skiro/Tap/HIDEvent.hpp"
#include "Skiro/Tap/Lifetime.hpp"
#include "Skiro/Tap/Recording.hpp"
#include "Skiro/Tap/TapKeeper.hpp"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

namespace skiro {

// Records, for a few seconds, what the tap sees of each scroll and, through a listening tap of
// its own, what applications then receive; then writes the file. One recording runs at a time:
// a later one replaces it. The recording is kept and filled on the tap thread.
class Recorder {
public:
    // Runs `fire` on the main thread once `delay` has passed.
    using Timer = std::function<void(std::chrono::nanoseconds delay, std::function<void()> fire)>;
    // How a recording ended: where it was written, or nothing, and then whether a later
    // recording replaced it before its end (else the file could not be written).
    struct Recorded {
        std::optional<std::filesystem::path> file;
        bool replaced = false;
    };
    using Done = std::function<void(Recorded recorded)>;

    // What the recorder works with; hand-overs hold `owner` weakly, the rest outlive it.
    struct Parts {
        Lifetime owner;
        platform::System& system;
        platform::RunLoop& tapLoop;
        TapKeeper& keeper;
        const HIDEvent::Functions& hid;
        const DeviceCache& devices; // read on the tap thread
        EventTimes times;
        const Timer& timer;                   // ends recordings
        const corvale::DispatchQueue& writes; // writes them
    };
    explicit Recorder(Parts parts) : parts_(parts) {}

    // --- Main thread.

    // Records for `seconds`, then writes the file on the writing queue and tells `done` there
    // how it ended. `header` (an object) is the first line. The caller checks the length.
    void record(double seconds, corvale::json::Json header, Done done);
    bool hasTap() const { return tap_.has_value(); }

    // --- Any thread.

    // Adds `line`, without a time, to the running recording, if any.
    void note(corvale::json::Json line);

    // --- Tap thread.

    bool isRecording() const { return recording_ != nullptr; }
    // The running recording, read without writing it (replays compare it with a file).
    const std::shared_ptr<Recording>& recording() const { return recording_; }
    // The running recording's line for a scroll, before any rewrite; nothing when none runs.
    std::optional<Recording::Line> line(const platform::Event& event, const ScrollSample& sample,
                                        Flip turned, platform::IOHIDEvent* hid);
    // Adds what the rewrite left ("after", "nsAfter", "hidAfter", "readBack") and hands the
    // line to the recording with the event's time.
    void scroll(Recording::Line line, const platform::Event& event, platform::IOHIDEvent* hid,
                Flip turned, bool verified);
    // A scroll reached the recorder's tap where it is delivered to applications.
    void delivered(const platform::Event& event);

private:
    static platform::Event* deliveredCallback(platform::EventType type, platform::Event& event,
                                              void* userInfo);
    // The end of the recording made by record call `run`.
    void end(std::uint64_t run, std::weak_ptr<Recording> made, Done done);

    const Parts parts_;
    std::shared_ptr<Recording> recording_; // tap thread; set while a recording runs
    std::optional<TapKeeper::Port> tap_;   // main thread; the running recording's delivered tap
    std::uint64_t run_ = 0;                // main thread; record calls so far
};

} // namespace skiro
