#include "Skiro/Tap/HIDEvent.hpp"

#include <cmath>
#include <limits>
#include <string>

namespace skiro::HIDEvent {

namespace {

// The service conforms to the class, or its parent in the service plane does.
bool conforms(const platform::Registry& registry, platform::RegistryEntry service,
              std::string_view className) {
    if (registry.conformsTo(service, className)) {
        return true;
    }
    std::optional<platform::RegistryEntry> parent =
        registry.parent(service, platform::registry::servicePlane);
    return parent && registry.conformsTo(*parent, className);
}

std::optional<std::string> textProperty(const platform::Registry& registry,
                                        platform::RegistryEntry entry, std::string_view key) {
    std::optional<platform::RegistryProperty> value = registry.property(entry, key);
    if (value) {
        if (const std::string* text = std::get_if<std::string>(&*value)) {
            return *text;
        }
    }
    return std::nullopt;
}

// Whole numbers only: a real number counts when it is one.
std::optional<std::int64_t> numberProperty(const platform::Registry& registry,
                                           platform::RegistryEntry entry, std::string_view key) {
    std::optional<platform::RegistryProperty> value = registry.property(entry, key);
    if (!value) {
        return std::nullopt;
    }
    if (const std::int64_t* whole = std::get_if<std::int64_t>(&*value)) {
        return *whole;
    }
    if (const double* real = std::get_if<double>(&*value)) {
        constexpr double limit = 9.2233720368547758e18; // 2^63
        if (std::isfinite(*real) && std::trunc(*real) == *real && *real >= -limit &&
            *real < limit) {
            return static_cast<std::int64_t>(*real);
        }
    }
    return std::nullopt;
}

} // namespace

Functions Functions::lookUp(const platform::Symbols& symbols) {
    using namespace platform;
    return Functions{symbols.function<CopyIOHIDEventFunction>(hid::copyIOHIDEventName),
                     symbols.function<IOHIDEventGetSenderIDFunction>(hid::getSenderIDName),
                     symbols.function<IOHIDEventGetFloatValueFunction>(hid::getFloatValueName),
                     symbols.function<IOHIDEventSetFloatValueFunction>(hid::setFloatValueName),
                     symbols.function<ReleaseIOHIDEventFunction>(hid::releaseName)};
}

std::optional<Device> device(const platform::Registry& registry, std::uint64_t sender) {
    std::optional<platform::RegistryEntry> service = registry.service(sender);
    if (!service) {
        return std::nullopt;
    }
    const platform::RegistryNames& names = registry.names();
    const std::string className = registry.className(*service);
    const std::optional<std::string> acceleration =
        textProperty(registry, *service, names.scrollAccelerationKey);
    const bool trackpadDriver = conforms(registry, *service, names.trackpadDriverClass);

    Device found;
    found.facts["class"] = className;
    found.facts["trackpadDriver"] = trackpadDriver;
    if (acceleration) {
        found.facts["scrollAcceleration"] = *acceleration;
    }
    for (std::string_view key : {"PrimaryUsagePage", "PrimaryUsage", "VendorID", "ProductID"}) {
        if (auto number = numberProperty(registry, *service, key)) {
            found.facts[std::string(key)] = *number;
        }
    }
    if (auto transport = textProperty(registry, *service, "Transport")) {
        found.facts["Transport"] = *transport;
    }
    found.kind = trackpadDriver || acceleration == names.trackpadAcceleration
                     ? skiro::Device::trackpad
                     : skiro::Device::mouse;
    return found;
}

std::unordered_map<std::uint64_t, skiro::Device> scrollDevices(const platform::Registry& registry) {
    const platform::RegistryNames& names = registry.names();
    std::unordered_map<std::uint64_t, skiro::Device> devices;
    std::optional<std::vector<platform::RegistryEntry>> entries =
        registry.entries(platform::registry::servicePlane, names.scrollAccelerationKey);
    if (!entries) {
        return devices;
    }
    for (platform::RegistryEntry entry : *entries) {
        std::optional<std::string> acceleration =
            textProperty(registry, entry, names.scrollAccelerationKey);
        if (!acceleration) {
            continue;
        }
        const bool trackpad = *acceleration == names.trackpadAcceleration ||
                              conforms(registry, entry, names.trackpadDriverClass);
        devices[registry.entryID(entry)] =
            trackpad ? skiro::Device::trackpad : skiro::Device::mouse;
    }
    return devices;
}

} // namespace skiro::HIDEvent
