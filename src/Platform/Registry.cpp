#include "Platform/Registry.hpp"

namespace platform::registry {

std::optional<std::vector<RegistryEntry>> complete(RegistryWalk& walk) {
    for (int attempt = 0; attempt < walkAttempts; ++attempt) {
        if (attempt > 0) {
            walk.restart();
        }
        std::vector<RegistryEntry> found;
        while (std::optional<RegistryEntry> entry = walk.next()) {
            found.push_back(*entry);
        }
        // An invalid iterator may have ended early: the pass proves nothing.
        if (walk.isValid()) {
            return found;
        }
    }
    return std::nullopt;
}

} // namespace platform::registry
