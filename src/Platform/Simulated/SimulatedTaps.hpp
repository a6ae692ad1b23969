#pragma once

#include "Platform/EventTap.hpp"
#include "Platform/Simulated/SimulatedEvent.hpp"
#include "Platform/Simulated/SimulatedRunLoop.hpp"

#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace platform::simulated {

class SimulatedClock;
class SimulatedPermissions;
class SimulatedRunningApplications;

// What a tap of another program does to the scrolls it sees (an active tap changes the event
// that travels on; a listen-only one is handed a copy). Runs on the posting thread.
using OtherTapAction = std::function<void(SimulatedEvent& event)>;

namespace otherTap {
OtherTapAction passThrough();
// Negates the six delta fields of every scroll: undoes whatever a tap before it turned.
OtherTapAction negateScrollDeltas();
} // namespace otherTap

// How the system switches a tap off.
enum class SwitchOff {
    byTimeout,   // told with tapDisabledByTimeout
    byUserInput, // told with tapDisabledByUserInput
    silently,    // not told at all
};

// One tap as the system keeps it.
struct TapCore : std::enable_shared_from_this<TapCore> {
    std::uint32_t id = 0;
    TapLocation location = TapLocation::hid;
    TapPlacement placement = TapPlacement::headInsert;
    TapOptions options = TapOptions::defaultTap;
    EventMask mask = 0;
    std::int32_t process = 0;
    bool ofThisProcess = true;
    // This process's tap: what its callout reads, as bare as the system holds it. The tap's
    // handle and sources own it; the system's notices, which are no callouts here, check it is
    // still there.
    const TapContext* context = nullptr;
    std::weak_ptr<const TapContext> contextAlive;
    OtherTapAction action;

    std::atomic<bool> enabled{true};
    std::atomic<bool> invalid{false};
    std::atomic<bool> refusesEnable{false};
    std::atomic<SimulatedRunLoop*> loop{nullptr};

    std::atomic<std::uint64_t> calls{0};
    std::atomic<std::uint64_t> totalNanoseconds{0};
    std::atomic<std::uint64_t> minNanoseconds{~std::uint64_t{0}};
    std::atomic<std::uint64_t> maxNanoseconds{0};

    bool listenOnly() const { return options == TapOptions::listenOnly; }
    void noteLatency(std::uint64_t nanoseconds);
    TapInformation information() const;
};

// The event taps of the session, Skiro's and other programs', and the routing of each event
// through them.
class SimulatedEventTaps final : public EventTaps {
public:
    SimulatedEventTaps(SimulatedClock& clock, SimulatedPermissions& permissions,
                       SimulatedRunningApplications& applications);
    ~SimulatedEventTaps() override;

    std::unique_ptr<EventTap> create(TapLocation location, TapPlacement placement,
                                     TapOptions options, EventMask mask, TapCallback callback,
                                     void* userInfo) override;
    std::optional<std::vector<TapInformation>> list() const override;

    // Passes `event` through every tap that wants it, in order: HID level, session, annotated
    // session; at each, head-inserted taps (the latest first) before tail-appended ones (the
    // earliest first). Each of this process's taps is called on the loop its source is attached
    // to (at once when that is the calling thread's loop) while this thread waits. False when
    // an active tap dropped the event.
    bool route(SimulatedEvent& event);

    // A tap of another process, acting on the posting thread; returns its tap ID.
    std::uint32_t addOtherTap(std::int32_t process, TapLocation location, TapPlacement placement,
                              TapOptions options, EventMask mask, OtherTapAction action);
    void removeTap(std::uint32_t eventTapID);

    // The system switches a tap off (and tells it, unless silently). False for no such tap.
    bool switchOff(std::uint32_t eventTapID, SwitchOff how);
    // Switches off every enabled active tap of this process by user input (the accessibility
    // trust was taken away).
    void switchOffActiveTapsOfThisProcess();
    // While set, enabling the tap leaves it off.
    void setRefusesEnable(std::uint32_t eventTapID, bool refuses);

    // The longest a callback may take, measured on the simulated machine clock, before the
    // system switches its tap off by timeout.
    void setTimeout(std::chrono::nanoseconds timeout);
    std::chrono::nanoseconds timeout() const;
    // How long (real time) an event waits for a loop that nobody runs before the system gives
    // up on the tap as timed out. A safety net; tests never rely on it.
    void setUnservicedLimit(std::chrono::nanoseconds limit);
    // The system refuses every tap at `location`.
    void setRefused(TapLocation location, bool refused);
    void setListAvailable(bool available) { listAvailable_.store(available); }

    std::shared_ptr<TapCore> find(std::uint32_t eventTapID) const;
    // This process's taps, in routing order.
    std::vector<std::shared_ptr<TapCore>> tapsOfThisProcess() const;
    // The ID of this process's first tap at `location` with `options` (how a test finds the
    // tap the code under test made), or nothing.
    std::optional<std::uint32_t> tapOfThisProcess(TapLocation location, TapOptions options) const;

    // Runs on the tap's thread in every callout of this process's taps, between taking the
    // tap's context and calling through it: where the system's window for another thread
    // destroying the tap lies. A test holds the thread there.
    void setCalloutEntry(std::function<void()> entry);

    // Used by the tap handles.
    void enable(TapCore& tap, bool on);
    void invalidate(TapCore& tap);

private:
    using Route = std::vector<std::shared_ptr<TapCore>>;
    struct Delivery;

    std::uint32_t insert(std::shared_ptr<TapCore> tap);
    void rebuildLocked();
    std::shared_ptr<const Route> route() const;
    Event* deliver(TapCore& tap, SimulatedEvent& event);
    Event* invoke(TapCore& tap, SimulatedRunLoop* loop, SimulatedEvent& event);
    void switchOff(TapCore& tap, SwitchOff how);
    static void handle(PortMessage& message);

    SimulatedClock& clock_;
    SimulatedPermissions& permissions_;
    SimulatedRunningApplications& applications_;

    mutable std::mutex mutex_;
    std::array<std::vector<std::shared_ptr<TapCore>>, 3> byLocation_;
    std::shared_ptr<const Route> route_;
    std::uint32_t nextID_ = 1;

    std::atomic<std::int64_t> timeoutNanoseconds_;
    std::atomic<std::int64_t> unservicedNanoseconds_;
    std::array<std::atomic<bool>, 3> refused_{};
    std::atomic<bool> listAvailable_{true};
    std::atomic<bool> hasCalloutEntry_{false};
    std::mutex calloutEntryMutex_;
    std::function<void()> calloutEntry_;
};

} // namespace platform::simulated
