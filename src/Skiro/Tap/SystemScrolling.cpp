#include "Skiro/Tap/SystemScrolling.hpp"

#include <exception>
#include <variant>

namespace skiro {

bool SystemScrolling::natural(platform::System& system) {
    try {
        platform::Preferences& preferences = system.preferences();
        // A failed synchronize leaves the cached copy, which is still the best answer.
        preferences.synchronizeAnyApplication();
        const std::optional<platform::PreferenceValue> value =
            preferences.copyAnyApplicationValue(system.names().naturalScrollingKey);
        if (value) {
            if (const bool* on = std::get_if<bool>(&*value)) {
                return *on;
            }
        }
    } catch (const std::exception&) {
    }
    return true;
}

} // namespace skiro
