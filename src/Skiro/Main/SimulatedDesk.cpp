#include "Skiro/Main/SimulatedDesk.hpp"

#include <cstdlib>
#include <optional>
#include <string_view>
#include <utility>

namespace skiro::app {

using platform::simulated::DeviceDescription;

namespace {

struct Model {
    std::string_view name;
    Device kind;
    DeviceDescription (*describe)();
};

constexpr Model models[] = {
    {"trackpad", Device::trackpad, &DeviceDescription::builtInTrackpad},
    {"magic-trackpad", Device::trackpad, &DeviceDescription::magicTrackpad},
    {"mouse", Device::mouse, &DeviceDescription::wheelMouse},
    {"smooth-mouse", Device::mouse, &DeviceDescription::smoothMouse},
    {"magic-mouse", Device::mouse, &DeviceDescription::magicMouse},
};

// Unset keeps the default; "0" (or "false", "no", "off") is off; anything else is on.
bool flag(const char* name, bool otherwise) {
    const char* value = std::getenv(name);
    if (value == nullptr) {
        return otherwise;
    }
    std::string_view text(value);
    return !(text == "0" || text == "false" || text == "no" || text == "off");
}

std::vector<std::string> names(std::string_view list) {
    std::vector<std::string> found;
    while (!list.empty()) {
        std::size_t comma = list.find(',');
        std::string_view name = list.substr(0, comma);
        while (!name.empty() && name.front() == ' ') {
            name.remove_prefix(1);
        }
        while (!name.empty() && name.back() == ' ') {
            name.remove_suffix(1);
        }
        if (!name.empty()) {
            found.emplace_back(name);
        }
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
    return found;
}

} // namespace

SimulatedDesk::Options SimulatedDesk::Options::fromEnvironment() {
    Options options;
    options.accessibility = flag("SKIRO_SIM_ACCESSIBILITY", true);
    options.natural = flag("SKIRO_SIM_NATURAL", true);
    if (const char* devices = std::getenv("SKIRO_SIM_DEVICES")) {
        options.devices = names(devices);
    }
    return options;
}

SimulatedDesk::SimulatedDesk(const Options& options)
    // Timestamps and the taps' timeouts follow the real clock of the running application.
    : system_(platform::simulated::SimulatedSystem::Options{.clockFollowsRealTime = true}) {
    for (const std::string& name : options.devices) {
        const Model* model = nullptr;
        for (const Model& candidate : models) {
            if (candidate.name == name) {
                model = &candidate;
            }
        }
        if (model == nullptr) {
            unknown_.push_back(name);
            continue;
        }
        attached_.push_back({model->kind, &system_.attach(model->describe())});
    }
    system_.setNaturalScrolling(options.natural);
    system_.setAccessibilityTrusted(options.accessibility);
}

const platform::simulated::VirtualDevice* SimulatedDesk::device(Device kind) const {
    for (const Attached& attached : attached_) {
        if (attached.kind == kind) {
            return attached.device;
        }
    }
    return nullptr;
}

} // namespace skiro::app
