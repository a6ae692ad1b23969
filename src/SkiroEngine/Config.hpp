#pragma once

#include "CorvaleCore/SettingsFile.hpp"
#include "SkiroCore/Scrolling.hpp"
#include "SkiroEngine/Turner.hpp"

#include <optional>
#include <span>

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

    // This configuration with `direction` for `device` on each of `axes`, every other choice as
    // shown now: the one way the set command, the directions grid and the scroll test change a
    // direction.
    Config withDirection(Device device, std::span<const Axis> axes, Direction direction,
                         bool systemNatural) const {
        Config changed = *this;
        Directions shown = shownDirections(systemNatural);
        for (Axis axis : axes) {
            shown.at(device, axis) = direction;
        }
        changed.directions = shown;
        return changed;
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
