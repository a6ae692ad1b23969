#include "Skiro/Releases.hpp"

namespace skiro::Releases {

std::vector<corvale::WhatsNew::Release> all() {
    return {};
}

void configureWhatsNew(corvale::WhatsNew::Present present, Settings& settings) {
    corvale::WhatsNew::configure(
        all(), std::nullopt, [&settings] { return settings.config().hasCompletedOnboarding; },
        std::move(present));
}

} // namespace skiro::Releases
