#pragma once

#include "Platform/Event.hpp"
#include "Platform/RunLoop.hpp"
#include "Skiro/Tap/Lifetime.hpp"
#include "Skiro/Tap/ReadBackCheck.hpp"
#include "Skiro/Tap/Tally.hpp"
#include "Skiro/Tap/TapKeeper.hpp"

#include <cstdint>
#include <functional>
#include <optional>

namespace skiro {

// The read-back check as the tap runs it: the ring of scrolls sent (ReadBackCheck, on the tap
// thread), a listening tap where scrolls are delivered to applications, the counts it leaves in
// the tally, and its verdicts handed to the main thread.
class ReadBackTap {
public:
    // The verdict: true when scrolls come out turned back.
    using OnCheck = std::function<void(bool turnedBack)>;

    // Hand-overs hold `owner` weakly; the rest outlive the check.
    struct Parts {
        Lifetime owner;
        platform::RunLoop& tapLoop;
        TapKeeper& keeper;
        tap::Tally& tally;
    };
    explicit ReadBackTap(Parts parts) : parts_(parts) {}

    // --- Main thread.

    // Starts (or restarts) the check; nothing without the main tap.
    void start();
    // Removes the check's tap and ends the check.
    void stop();
    bool hasTap() const { return tap_.has_value(); }
    void setOnCheck(OnCheck onCheck) { onCheck_ = std::move(onCheck); }

    // --- Tap thread.

    // A scroll leaving the tap, as it leaves.
    void sent(const platform::Event& event) {
        if (check_.checking()) {
            check_.remember(pointDeltas(event));
        }
    }
    // A scroll reached the check's tap, where it is delivered to applications.
    void arrived(const platform::Event& event);
    const ReadBackCheck& check() const { return check_; }

    // The point deltas the check compares.
    static ReadBackCheck::Sent pointDeltas(const platform::Event& event);

private:
    static platform::Event* arrivedCallback(platform::EventType type, platform::Event& event,
                                            void* userInfo);
    // On the main queue: the verdict, unless a later check began since.
    void verdict(ReadBackCheck::Verdict verdict);

    const Parts parts_;
    ReadBackCheck check_; // tap thread

    // Main thread.
    std::optional<TapKeeper::Port> tap_;
    OnCheck onCheck_;
    // Checks started: a verdict queued for one that a later check replaced is dropped.
    std::uint64_t run_ = 0;
};

} // namespace skiro
