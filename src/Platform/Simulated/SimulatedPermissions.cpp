#include "Platform/Simulated/SimulatedPermissions.hpp"

namespace platform::simulated {

bool SimulatedPermissions::isProcessTrustedWithOptions(bool prompt) {
    bool trusted = trusted_.load();
    if (prompt && !trusted) {
        prompts_.fetch_add(1);
    }
    return trusted;
}

} // namespace platform::simulated
