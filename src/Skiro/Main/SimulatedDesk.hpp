#pragma once

#include "Platform/Simulated/SimulatedSystem.hpp"
#include "SkiroCore/Scrolling.hpp"

#include <string>
#include <vector>

namespace skiro::app {

// The machine the application runs on here: the simulated system with the devices attached, the
// system's scrolling setting and the Accessibility permission as the environment asks at launch.
//
//     SKIRO_SIM_ACCESSIBILITY=0   start without the permission (the application waits)
//     SKIRO_SIM_NATURAL=0         natural scrolling off in the system's settings
//     SKIRO_SIM_DEVICES=...       the devices attached, comma-separated, from trackpad,
//                                 magic-trackpad, mouse, smooth-mouse, magic-mouse;
//                                 "trackpad,mouse" when unset, none when empty
class SimulatedDesk {
public:
    struct Options {
        bool accessibility = true;
        bool natural = true;
        std::vector<std::string> devices{"trackpad", "mouse"};

        // From the variables above; unknown device names are left for `attach` to report.
        static Options fromEnvironment();
    };

    explicit SimulatedDesk(const Options& options);
    SimulatedDesk(const SimulatedDesk&) = delete;
    SimulatedDesk& operator=(const SimulatedDesk&) = delete;

    platform::simulated::SimulatedSystem& system() { return system_; }
    // The first attached device of that kind, or nullptr.
    const platform::simulated::VirtualDevice* device(Device kind) const;
    // The names in the options that name no device.
    const std::vector<std::string>& unknownDevices() const { return unknown_; }

private:
    struct Attached {
        Device kind;
        const platform::simulated::VirtualDevice* device;
    };

    platform::simulated::SimulatedSystem system_;
    std::vector<Attached> attached_;
    std::vector<std::string> unknown_;
};

} // namespace skiro::app
