#include "Platform/Simulated/SimulatedTaps.hpp"

#include "Platform/Simulated/SimulatedClock.hpp"
#include "Platform/Simulated/SimulatedPermissions.hpp"
#include "Platform/Simulated/SimulatedRunningApplications.hpp"

#include <algorithm>
#include <limits>
#include <optional>

namespace platform::simulated {

namespace {

std::int64_t negated(std::int64_t value) {
    return value == std::numeric_limits<std::int64_t>::min()
               ? std::numeric_limits<std::int64_t>::max()
               : -value;
}

std::size_t index(TapLocation location) {
    return static_cast<std::size_t>(location);
}

// A tap's port on a run loop: tells the tap which loop it is on, and keeps the callout's
// context until each loop it was on has run past any callout in flight.
class TapSource final : public SimulatedRunLoopSource {
public:
    TapSource(std::shared_ptr<TapCore> core, std::shared_ptr<const TapContext> context)
        : core_(std::move(core)), context_(std::move(context)) {}
    ~TapSource() override {
        detachFromLoop();
        std::vector<SimulatedRunLoop*> visited;
        {
            std::lock_guard lock(mutex_);
            visited.swap(visited_);
        }
        for (SimulatedRunLoop* loop : visited) {
            loop->perform([context = context_] {});
            loop->wakeUp();
        }
    }

private:
    void moved(SimulatedRunLoop* from, SimulatedRunLoop* to) override {
        if (to != nullptr) {
            {
                std::lock_guard lock(mutex_);
                if (std::find(visited_.begin(), visited_.end(), to) == visited_.end()) {
                    visited_.push_back(to);
                }
            }
            core_->loop.store(to, std::memory_order_release);
        } else {
            core_->loop.compare_exchange_strong(from, nullptr, std::memory_order_acq_rel);
        }
    }

    std::shared_ptr<TapCore> core_;
    std::shared_ptr<const TapContext> context_;
    std::mutex mutex_;
    // Loops outlive their threads, so these stay valid.
    std::vector<SimulatedRunLoop*> visited_;
};

class SimulatedEventTap final : public EventTap {
public:
    SimulatedEventTap(SimulatedEventTaps& taps, std::shared_ptr<TapCore> core,
                      std::shared_ptr<const TapContext> context)
        : taps_(taps), core_(std::move(core)), context_(std::move(context)) {}
    ~SimulatedEventTap() override { taps_.invalidate(*core_); }

    void enable(bool on) override { taps_.enable(*core_, on); }
    bool isEnabled() const override { return core_->enabled.load() && !core_->invalid.load(); }
    void invalidate() override { taps_.invalidate(*core_); }
    std::unique_ptr<RunLoopSource> createRunLoopSource() override {
        return std::make_unique<TapSource>(core_, context_);
    }

private:
    SimulatedEventTaps& taps_;
    std::shared_ptr<TapCore> core_;
    std::shared_ptr<const TapContext> context_;
};

} // namespace

namespace otherTap {

OtherTapAction passThrough() {
    return [](SimulatedEvent&) {};
}

OtherTapAction negateScrollDeltas() {
    return [](SimulatedEvent& event) {
        if (event.type() != EventType::scrollWheel) {
            return;
        }
        for (int axis = 0; axis < 2; ++axis) {
            Measures m = event.measures(axis);
            event.storeMeasures(axis, {negated(m.line), -m.fixed, negated(m.point)});
        }
    };
}

} // namespace otherTap

void TapCore::noteLatency(std::uint64_t nanoseconds) {
    calls.fetch_add(1, std::memory_order_relaxed);
    totalNanoseconds.fetch_add(nanoseconds, std::memory_order_relaxed);
    std::uint64_t least = minNanoseconds.load(std::memory_order_relaxed);
    while (nanoseconds < least &&
           !minNanoseconds.compare_exchange_weak(least, nanoseconds, std::memory_order_relaxed)) {
    }
    std::uint64_t most = maxNanoseconds.load(std::memory_order_relaxed);
    while (nanoseconds > most &&
           !maxNanoseconds.compare_exchange_weak(most, nanoseconds, std::memory_order_relaxed)) {
    }
}

TapInformation TapCore::information() const {
    TapInformation info;
    info.eventTapID = id;
    info.tapPoint = location;
    info.options = options;
    info.eventsOfInterest = mask;
    info.tappingProcess = process;
    info.processBeingTapped = 0;
    info.enabled = enabled.load() && !invalid.load();
    std::uint64_t count = calls.load(std::memory_order_relaxed);
    if (count > 0) {
        info.minUsecLatency = static_cast<float>(minNanoseconds.load()) / 1000.0f;
        info.maxUsecLatency = static_cast<float>(maxNanoseconds.load()) / 1000.0f;
        info.avgUsecLatency = static_cast<float>(static_cast<double>(totalNanoseconds.load()) /
                                                 1000.0 / static_cast<double>(count));
    }
    return info;
}

struct SimulatedEventTaps::Delivery : PortMessage {
    SimulatedEventTaps* taps = nullptr;
    TapCore* tap = nullptr;
    SimulatedRunLoop* loop = nullptr;
    SimulatedEvent* event = nullptr;
    Event* result = nullptr;
};

SimulatedEventTaps::SimulatedEventTaps(SimulatedClock& clock, SimulatedPermissions& permissions,
                                       SimulatedRunningApplications& applications)
    : clock_(clock), permissions_(permissions), applications_(applications),
      route_(std::make_shared<Route>()), timeoutNanoseconds_(1'000'000'000),
      unservicedNanoseconds_(5'000'000'000) {}

SimulatedEventTaps::~SimulatedEventTaps() = default;

std::unique_ptr<EventTap> SimulatedEventTaps::create(TapLocation location, TapPlacement placement,
                                                     TapOptions options, EventMask mask,
                                                     TapCallback callback, void* userInfo) {
    if (callback == nullptr || index(location) >= refused_.size() ||
        refused_[index(location)].load()) {
        return nullptr;
    }
    bool trusted = permissions_.isProcessTrusted();
    if (options == TapOptions::defaultTap && !trusted) {
        return nullptr;
    }
    if (options == TapOptions::listenOnly && !trusted &&
        !permissions_.preflightListenEventAccess()) {
        return nullptr;
    }
    auto core = std::make_shared<TapCore>();
    core->location = location;
    core->placement = placement;
    core->options = options;
    core->mask = mask;
    core->process = applications_.currentProcessIdentifier();
    core->ofThisProcess = true;
    // Its own allocation, not make_shared's: the weak reference must not keep its memory, so
    // that a context let go too early is freed memory to the sanitizers.
    std::shared_ptr<const TapContext> context(new TapContext{callback, userInfo});
    core->context = context.get();
    core->contextAlive = context;
    insert(core);
    return std::make_unique<SimulatedEventTap>(*this, std::move(core), std::move(context));
}

std::uint32_t SimulatedEventTaps::addOtherTap(std::int32_t process, TapLocation location,
                                              TapPlacement placement, TapOptions options,
                                              EventMask mask, OtherTapAction action) {
    auto core = std::make_shared<TapCore>();
    core->location = location;
    core->placement = placement;
    core->options = options;
    core->mask = mask;
    core->process = process;
    core->ofThisProcess = false;
    core->action = action ? std::move(action) : otherTap::passThrough();
    return insert(std::move(core));
}

std::uint32_t SimulatedEventTaps::insert(std::shared_ptr<TapCore> tap) {
    std::lock_guard lock(mutex_);
    tap->id = nextID_++;
    auto& list = byLocation_[index(tap->location)];
    if (tap->placement == TapPlacement::headInsert) {
        list.insert(list.begin(), tap);
    } else {
        list.push_back(tap);
    }
    rebuildLocked();
    return tap->id;
}

void SimulatedEventTaps::rebuildLocked() {
    auto route = std::make_shared<Route>();
    for (const auto& list : byLocation_) {
        route->insert(route->end(), list.begin(), list.end());
    }
    route_ = std::move(route);
}

std::shared_ptr<const SimulatedEventTaps::Route> SimulatedEventTaps::route() const {
    std::lock_guard lock(mutex_);
    return route_;
}

void SimulatedEventTaps::removeTap(std::uint32_t eventTapID) {
    if (auto tap = find(eventTapID)) {
        invalidate(*tap);
    }
}

void SimulatedEventTaps::invalidate(TapCore& tap) {
    if (tap.invalid.exchange(true)) {
        return;
    }
    tap.enabled.store(false);
    std::lock_guard lock(mutex_);
    auto& list = byLocation_[index(tap.location)];
    std::erase_if(list, [&](const std::shared_ptr<TapCore>& t) { return t.get() == &tap; });
    rebuildLocked();
}

void SimulatedEventTaps::enable(TapCore& tap, bool on) {
    if (tap.invalid.load()) {
        return;
    }
    if (on) {
        // Without the trust the system will not let an active tap of this process run again.
        if (tap.refusesEnable.load() ||
            (tap.ofThisProcess && !tap.listenOnly() && !permissions_.isProcessTrusted())) {
            return;
        }
    }
    tap.enabled.store(on);
}

std::optional<std::vector<TapInformation>> SimulatedEventTaps::list() const {
    if (!listAvailable_.load()) {
        return std::nullopt;
    }
    std::vector<TapInformation> information;
    std::shared_ptr<const Route> taps = route();
    for (const auto& tap : *taps) {
        information.push_back(tap->information());
    }
    return information;
}

std::shared_ptr<TapCore> SimulatedEventTaps::find(std::uint32_t eventTapID) const {
    std::shared_ptr<const Route> taps = route();
    for (const auto& tap : *taps) {
        if (tap->id == eventTapID) {
            return tap;
        }
    }
    return nullptr;
}

std::vector<std::shared_ptr<TapCore>> SimulatedEventTaps::tapsOfThisProcess() const {
    std::vector<std::shared_ptr<TapCore>> ours;
    std::shared_ptr<const Route> taps = route();
    for (const auto& tap : *taps) {
        if (tap->ofThisProcess) {
            ours.push_back(tap);
        }
    }
    return ours;
}

std::optional<std::uint32_t> SimulatedEventTaps::tapOfThisProcess(TapLocation location,
                                                                  TapOptions options) const {
    std::shared_ptr<const Route> taps = route();
    for (const auto& tap : *taps) {
        if (tap->ofThisProcess && tap->location == location && tap->options == options) {
            return tap->id;
        }
    }
    return std::nullopt;
}

bool SimulatedEventTaps::switchOff(std::uint32_t eventTapID, SwitchOff how) {
    auto tap = find(eventTapID);
    if (!tap) {
        return false;
    }
    switchOff(*tap, how);
    return true;
}

void SimulatedEventTaps::switchOffActiveTapsOfThisProcess() {
    std::shared_ptr<const Route> taps = route();
    for (const auto& tap : *taps) {
        if (tap->ofThisProcess && !tap->listenOnly() && tap->enabled.load()) {
            switchOff(*tap, SwitchOff::byUserInput);
        }
    }
}

void SimulatedEventTaps::setRefusesEnable(std::uint32_t eventTapID, bool refuses) {
    if (auto tap = find(eventTapID)) {
        tap->refusesEnable.store(refuses);
    }
}

void SimulatedEventTaps::switchOff(TapCore& tap, SwitchOff how) {
    tap.enabled.store(false);
    SimulatedRunLoop* loop = tap.loop.load(std::memory_order_acquire);
    if (how == SwitchOff::silently || !tap.ofThisProcess || loop == nullptr) {
        return;
    }
    EventType type = how == SwitchOff::byTimeout ? EventType::tapDisabledByTimeout
                                                 : EventType::tapDisabledByUserInput;
    // The notice comes later, on the tap's loop, like any other event for the tap.
    std::shared_ptr<TapCore> core = tap.shared_from_this();
    loop->perform([core, type] {
        if (core->invalid.load()) {
            return;
        }
        std::shared_ptr<const TapContext> context = core->contextAlive.lock();
        if (!context) {
            return;
        }
        SimulatedEvent notice(EventType::null);
        context->callback(type, notice, context->userInfo);
    });
    loop->wakeUp();
}

void SimulatedEventTaps::setCalloutEntry(std::function<void()> entry) {
    std::lock_guard lock(calloutEntryMutex_);
    hasCalloutEntry_.store(static_cast<bool>(entry), std::memory_order_release);
    calloutEntry_ = std::move(entry);
}

void SimulatedEventTaps::setTimeout(std::chrono::nanoseconds timeout) {
    timeoutNanoseconds_.store(timeout.count());
}

std::chrono::nanoseconds SimulatedEventTaps::timeout() const {
    return std::chrono::nanoseconds(timeoutNanoseconds_.load());
}

void SimulatedEventTaps::setUnservicedLimit(std::chrono::nanoseconds limit) {
    unservicedNanoseconds_.store(limit.count());
}

void SimulatedEventTaps::setRefused(TapLocation location, bool refused) {
    if (index(location) < refused_.size()) {
        refused_[index(location)].store(refused);
    }
}

bool SimulatedEventTaps::route(SimulatedEvent& event) {
    std::shared_ptr<const Route> taps = route();
    const EventMask bit = eventMaskBit(event.type());
    std::optional<SimulatedEvent> copy;
    for (const auto& core : *taps) {
        TapCore& tap = *core;
        if ((tap.mask & bit) == 0 || !tap.enabled.load(std::memory_order_acquire)) {
            continue;
        }
        SimulatedEvent* seen = &event;
        if (tap.listenOnly()) {
            copy.emplace(event);
            seen = &*copy;
        }
        if (!tap.ofThisProcess) {
            tap.action(*seen);
            tap.noteLatency(0);
            continue;
        }
        Event* result = deliver(tap, *seen);
        if (tap.listenOnly() || result == &event) {
            continue;
        }
        if (result == nullptr) {
            return false;
        }
        // The tap handed back another event: it travels on in place of this one.
        if (auto* replacement = dynamic_cast<SimulatedEvent*>(result)) {
            event = *replacement;
        }
    }
    return true;
}

Event* SimulatedEventTaps::deliver(TapCore& tap, SimulatedEvent& event) {
    SimulatedRunLoop* loop = tap.loop.load(std::memory_order_acquire);
    if (loop == nullptr) {
        return &event;
    }
    if (loop->isCurrent()) {
        return invoke(tap, loop, event);
    }
    Delivery delivery;
    delivery.handle = &SimulatedEventTaps::handle;
    delivery.taps = this;
    delivery.tap = &tap;
    delivery.loop = loop;
    delivery.event = &event;
    delivery.result = &event;
    if (!loop->send(delivery, std::chrono::nanoseconds(unservicedNanoseconds_.load()))) {
        switchOff(tap, SwitchOff::byTimeout);
        return &event;
    }
    return delivery.result;
}

void SimulatedEventTaps::handle(PortMessage& message) {
    auto& delivery = static_cast<Delivery&>(message);
    delivery.result = delivery.taps->invoke(*delivery.tap, delivery.loop, *delivery.event);
}

Event* SimulatedEventTaps::invoke(TapCore& tap, SimulatedRunLoop* loop, SimulatedEvent& event) {
    // The tap may have been switched off, invalidated or moved while the event waited.
    if (!tap.enabled.load() || tap.invalid.load() || tap.loop.load() != loop) {
        return &event;
    }
    const TapContext* context = tap.context;
    if (hasCalloutEntry_.load(std::memory_order_acquire)) {
        std::function<void()> entry;
        {
            std::lock_guard lock(calloutEntryMutex_);
            entry = calloutEntry_;
        }
        if (entry) {
            entry();
        }
    }
    std::uint64_t started = clock_.uptimeNanoseconds();
    Event* result = context->callback(event.type(), event, context->userInfo);
    std::uint64_t took = clock_.uptimeNanoseconds() - started;
    tap.noteLatency(took);
    if (took > static_cast<std::uint64_t>(timeoutNanoseconds_.load())) {
        switchOff(tap, SwitchOff::byTimeout);
    }
    return result;
}

} // namespace platform::simulated
