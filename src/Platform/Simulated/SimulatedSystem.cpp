#include "Platform/Simulated/SimulatedSystem.hpp"

namespace platform::simulated {

namespace {

constexpr std::int64_t applicationWindow = 4242;

double applied(double movement, double sign) {
    // No negative zero: a still axis reads the same either way.
    return movement == 0 ? 0.0 : movement * sign;
}

} // namespace

// Synthetic scroll events, made and thrown away by the probe.
class SimulatedSystem::SyntheticEvents final : public Events {
public:
    explicit SyntheticEvents(SimulatedSystem& system) : system_(system) {}

    std::unique_ptr<Event> createScrollWheelEvent(ScrollEventUnit unit, std::uint32_t wheelCount,
                                                  std::int32_t wheel1, std::int32_t wheel2,
                                                  std::int32_t wheel3) override {
        if (wheelCount < 1 || wheelCount > 3) {
            return nullptr;
        }
        auto event = std::make_unique<SimulatedEvent>(system_.blankScroll());
        const std::int32_t wheels[2] = {wheel1, wheelCount >= 2 ? wheel2 : 0};
        for (int axis = 0; axis < 2; ++axis) {
            auto value = static_cast<double>(wheels[axis]);
            event->storeMeasures(axis, unit == ScrollEventUnit::pixel ? measuresFromPoints(value)
                                                                      : measuresFromLines(value));
        }
        if (wheelCount == 3) {
            event->storeInteger(field::scrollWheelEventDeltaAxis3, wheel3);
        }
        event->storeInteger(field::eventSourceUnixProcessID,
                            system_.applications_.currentProcessIdentifier());
        return event;
    }

private:
    SimulatedSystem& system_;
};

SimulatedSystem::SimulatedSystem() : SimulatedSystem(Options{}) {}

SimulatedSystem::SimulatedSystem(Options options)
    : clock_(options.clockFollowsRealTime), taps_(clock_, permissions_, applications_),
      application_(applications_.launch(std::string(applicationName)),
                   std::string(applicationName)),
      events_(std::make_unique<SyntheticEvents>(*this)) {
    preferences_.store(std::string(naturalScrollingKey), PreferenceValue{true});
}

SimulatedSystem::~SimulatedSystem() = default;

Events& SimulatedSystem::events() {
    return *events_;
}

VirtualDevice& SimulatedSystem::attach(DeviceDescription description) {
    std::uint64_t sender = 0;
    if (description.registered) {
        std::optional<std::uint64_t> parent;
        if (description.parentClassName) {
            parent = registry_.add({*description.parentClassName, {}, std::nullopt});
        }
        SimulatedRegistry::Properties properties;
        if (description.scrollAcceleration) {
            properties["HIDScrollAccelerationType"] = *description.scrollAcceleration;
        }
        auto number = [&](const char* key, const std::optional<std::int64_t>& value) {
            if (value) {
                properties[key] = *value;
            }
        };
        number("PrimaryUsagePage", description.primaryUsagePage);
        number("PrimaryUsage", description.primaryUsage);
        number("VendorID", description.vendorID);
        number("ProductID", description.productID);
        if (description.transport) {
            properties["Transport"] = *description.transport;
        }
        sender = registry_.add({description.className, std::move(properties), parent});
    }
    std::lock_guard lock(mutex_);
    if (!description.registered) {
        sender = nextUnregisteredSender_++;
    }
    devices_.push_back(std::make_unique<VirtualDevice>(std::move(description), sender));
    return *devices_.back();
}

void SimulatedSystem::detach(const VirtualDevice& device) {
    if (!device.description().registered) {
        return;
    }
    auto service = registry_.service(device.senderID());
    if (!service) {
        return;
    }
    // The device's parent goes with it when it was made for it.
    auto parent = registry_.parent(*service, registry::servicePlane);
    if (parent && parent->handle != registry_.root() && device.description().parentClassName) {
        registry_.remove(parent->handle);
    } else {
        registry_.remove(device.senderID());
    }
}

SimulatedEvent SimulatedSystem::blankScroll() {
    SimulatedEvent event(EventType::scrollWheel);
    {
        std::lock_guard lock(mutex_);
        event.setWriteRules(rules_);
        event.setLocation(pointer_);
    }
    event.setTimestamp(timestampsInNanoseconds_.load() ? clock_.uptimeNanoseconds()
                                                       : clock_.machAbsoluteTime());
    event.setFlags(flag::nonCoalesced);
    std::int32_t target = application_.processIdentifier();
    event.storeInteger(field::eventTargetProcessSerialNumber, (std::int64_t{target} << 32) | 1);
    event.storeInteger(field::eventTargetUnixProcessID, target);
    event.storeInteger(field::mouseEventWindowUnderMousePointer, applicationWindow);
    event.storeInteger(field::mouseEventWindowUnderMousePointerThatCanHandleThisEvent,
                       applicationWindow);
    return event;
}

SimulatedEvent SimulatedSystem::makeScroll(const VirtualDevice& device, const Scroll& scroll) {
    SimulatedEvent event = blankScroll();
    const bool natural = naturalScrolling();
    const double sign = natural ? -1 : 1;
    const bool continuous = device.continuous();
    const double movement[2] = {scroll.vertical, scroll.horizontal};
    for (int axis = 0; axis < 2; ++axis) {
        double value = applied(movement[axis], sign);
        event.storeMeasures(axis,
                            continuous ? measuresFromPoints(value) : measuresFromLines(value));
    }
    const bool gestures = device.style() == ScrollStyle::gestures;
    event.storeInteger(field::scrollWheelEventIsContinuous, continuous ? 1 : 0);
    event.storeInteger(field::scrollWheelEventScrollPhase, gestures ? scroll.phase : 0);
    event.storeInteger(field::scrollWheelEventMomentumPhase, gestures ? scroll.momentum : 0);
    event.storeInteger(field::scrollWheelEventScrollCount, scroll.count);
    event.storeInteger(field::eventSourceUnixProcessID, windowServerProcess);
    event.setFlags(event.flags() | scroll.flags);
    event.setHIDEvent({device.senderID(), scroll.horizontal, scroll.vertical, 0});
    event.setSystemTurned(natural);
    event.setSerial(serial_.fetch_add(1) + 1);
    return event;
}

SimulatedEvent SimulatedSystem::makeScroll(const SoftwareScroll& scroll) {
    SimulatedEvent event = blankScroll();
    const double movement[2] = {scroll.vertical, scroll.horizontal};
    for (int axis = 0; axis < 2; ++axis) {
        event.storeMeasures(axis, scroll.continuous ? measuresFromPoints(movement[axis])
                                                    : measuresFromLines(movement[axis]));
    }
    event.storeInteger(field::scrollWheelEventIsContinuous, scroll.continuous ? 1 : 0);
    event.storeInteger(field::scrollWheelEventScrollPhase, scroll.phase);
    event.storeInteger(field::scrollWheelEventMomentumPhase, scroll.momentum);
    event.storeInteger(field::eventSourceUnixProcessID, scroll.process);
    event.setFlags(event.flags() | scroll.flags);
    event.setSystemTurned(scroll.systemTurned);
    event.setSerial(serial_.fetch_add(1) + 1);
    return event;
}

PostResult SimulatedSystem::route(SimulatedEvent& event) {
    PostResult result{ScrollRecord::of(event, appFramework_), std::nullopt};
    if (!taps_.route(event)) {
        return result;
    }
    std::shared_ptr<const OwnWindows> own;
    {
        std::lock_guard lock(mutex_);
        own = ownWindows_;
    }
    if (own && own->covers && own->covers(event.location())) {
        result.delivered = ScrollRecord::of(event, appFramework_);
        own->deliver(*result.delivered);
    } else {
        result.delivered = application_.receive(event, appFramework_);
    }
    return result;
}

PostResult SimulatedSystem::post(const VirtualDevice& device, const Scroll& scroll) {
    SimulatedEvent event = makeScroll(device, scroll);
    return route(event);
}

PostResult SimulatedSystem::post(const SoftwareScroll& scroll) {
    SimulatedEvent event = makeScroll(scroll);
    return route(event);
}

std::vector<PostResult> SimulatedSystem::post(const VirtualDevice& device,
                                              const std::vector<Scroll>& scrolls) {
    std::vector<PostResult> results;
    results.reserve(scrolls.size());
    for (const Scroll& scroll : scrolls) {
        results.push_back(post(device, scroll));
    }
    return results;
}

void SimulatedSystem::setOwnWindows(OwnWindows windows) {
    auto shared = std::make_shared<const OwnWindows>(std::move(windows));
    std::lock_guard lock(mutex_);
    ownWindows_ = std::move(shared);
}

void SimulatedSystem::setPointer(Point location) {
    std::lock_guard lock(mutex_);
    pointer_ = location;
}

Point SimulatedSystem::pointer() const {
    std::lock_guard lock(mutex_);
    return pointer_;
}

void SimulatedSystem::setFieldWriteRules(const FieldWriteRules& rules) {
    std::lock_guard lock(mutex_);
    rules_ = rules;
}

void SimulatedSystem::setNaturalScrolling(bool natural) {
    preferences_.store(std::string(naturalScrollingKey), PreferenceValue{natural});
    distributed_.post(std::string(naturalScrollingChanged));
}

bool SimulatedSystem::naturalScrolling() const {
    std::optional<PreferenceValue> value = preferences_.stored(naturalScrollingKey);
    if (value) {
        if (const bool* natural = std::get_if<bool>(&*value)) {
            return *natural;
        }
    }
    return true;
}

void SimulatedSystem::setAccessibilityTrusted(bool trusted) {
    bool was = permissions_.isProcessTrusted();
    permissions_.setTrusted(trusted);
    if (was && !trusted) {
        taps_.switchOffActiveTapsOfThisProcess();
    }
    if (was != trusted) {
        distributed_.post(std::string(accessibilityChanged));
    }
}

void SimulatedSystem::sleepAndWake() {
    workspace_.center().post(std::string(workspace::willSleep));
    workspace_.center().post(std::string(workspace::didWake));
}

void SimulatedSystem::resignActiveSession() {
    workspace_.center().post(std::string(workspace::sessionDidResignActive));
}

void SimulatedSystem::becomeActiveSession() {
    workspace_.center().post(std::string(workspace::sessionDidBecomeActive));
}

void SimulatedSystem::unlockScreen() {
    distributed_.post(std::string(screenUnlocked));
}

} // namespace platform::simulated
