#pragma once

#include "CorvaleCore/SettingsFile.hpp"
#include "SkiroCore/Scrolling.hpp"
#include "SkiroEngine/Turner.hpp"

#include <optional>

namespace skiro {

// The application's whole persisted configuration, and its one settings model: the settings
// store keeps it between runs and the settings file carries it in exports and imports.
struct Config {
    // The user has finished the welcome flow.
    bool hasCompletedOnboarding = false;
    bool detailedLogging = false;
    // Absent: every device and axis follows the system's setting.
    std::optional<Directions> directions;
    bool paused = false;

    // What the tap is told: nothing is turned while paused or while no directions are chosen.
    Turner::Settings turnerSettings() const { return {!paused, directions}; }

    // The directions to show: the chosen ones, else what the system does now on every device.
    Directions shownDirections(bool systemNatural) const {
        return directions.value_or(Directions::system(systemNatural));
    }

    bool operator==(const Config&) const = default;
};

} // namespace skiro

namespace corvale::json {

// Written: "hasCompletedOnboarding", "detailedLogging", "paused" always, "directions" only when
// present. Read: each key when present; a missing or null key takes its default, so {} is
// Config(); other keys are ignored; a key of the wrong type fails the whole decoding.
template <>
struct Coding<skiro::Config> {
    static Json encode(const skiro::Config& value);
    static skiro::Config decode(const Json& json, const CodingPath& path);
};

} // namespace corvale::json
