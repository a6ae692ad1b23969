#pragma once

#include "Platform/Event.hpp"
#include "Platform/RunLoop.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// Event taps: callbacks placed in the system's stream of input events.
namespace platform {

// Where in the stream a tap sits. Events pass the HID level first, then the session, then the
// annotated session, where they are about to be delivered to applications.
enum class TapLocation : std::uint32_t { hid = 0, session = 1, annotatedSession = 2 };

// A head-inserted tap goes before every tap already at its location; a tail-appended one after.
enum class TapPlacement : std::uint32_t { headInsert = 0, tailAppend = 1 };

enum class TapOptions : std::uint32_t {
    defaultTap = 0, // an active filter: may change or drop the events it sees
    listenOnly = 1, // sees events, cannot change them
};

// Called on the run loop the tap's source is attached to, with the event's type and the event.
// For a scroll the event it returns goes on (return `event` itself after changing it in place;
// nullptr drops it); a listen-only tap's answer is ignored. When the system switches the tap
// off the callback is told with type tapDisabledByTimeout or tapDisabledByUserInput.
using TapCallback = Event* (*)(EventType type, Event& event, void* userInfo);

// What a tap's callout reads: the callback and its user info. The system keeps only a bare
// pointer to it, and the tap's thread may be inside the callout when another thread destroys
// the tap; neither invalidating the tap nor taking its source off a loop waits for a callout in
// flight. So a backend shares it between the tap and the tap's sources, and a source lets its
// share go only by a block on each loop it was on, queued once it is off them: that block runs
// after any callout there has returned.
struct TapContext {
    TapCallback callback = nullptr;
    void* userInfo = nullptr;
};

// A tap's port. Destroying it invalidates the tap.
class EventTap {
public:
    virtual ~EventTap() = default;

    // Switching on a tap the system refuses to revive leaves it off; ask isEnabled() after.
    virtual void enable(bool on) = 0;
    virtual bool isEnabled() const = 0;
    // The tap receives nothing more and leaves the tap list. Enabling it again does nothing.
    virtual void invalidate() = 0;
    // The source to attach to a run loop; a tap attached to no loop receives nothing.
    virtual std::unique_ptr<RunLoopSource> createRunLoopSource() = 0;
};

// One entry of the system's list of every tap in the session.
struct TapInformation {
    std::uint32_t eventTapID = 0;
    TapLocation tapPoint = TapLocation::hid;
    TapOptions options = TapOptions::defaultTap;
    EventMask eventsOfInterest = 0;
    std::int32_t tappingProcess = 0;
    std::int32_t processBeingTapped = 0; // 0: every process
    bool enabled = false;
    float minUsecLatency = 0;
    float avgUsecLatency = 0;
    float maxUsecLatency = 0;

    bool operator==(const TapInformation&) const = default;
};

class EventTaps {
public:
    virtual ~EventTaps() = default;

    // A new tap, enabled, or nothing when the system refuses it (an active tap needs the
    // accessibility trust; a listen-only one the trust or the listen permission).
    virtual std::unique_ptr<EventTap> create(TapLocation location, TapPlacement placement,
                                             TapOptions options, EventMask mask,
                                             TapCallback callback, void* userInfo) = 0;

    // Every tap in the session, in the order events pass them; nothing when the list cannot
    // be had.
    virtual std::optional<std::vector<TapInformation>> list() const = 0;
};

} // namespace platform
