#include "Skiro/UI/WelcomeModel.hpp"

#include <array>

namespace skiro {

WelcomeModel::WelcomeModel(Settings& settings, bool systemNatural, InputTap& tap,
                           SetOpenAtLogin setOpenAtLogin)
    : settings_(settings), setOpenAtLogin_(std::move(setOpenAtLogin)),
      test_(ScrollTestModel::make(tap)), systemNatural_(systemNatural), draft_(settings.config()) {
    test_->onFound = [this](const ScrollTest& test) {
        changed(test.applied(draft_, systemNatural_));
    };
}

void WelcomeModel::choose(Device device, Axis axis, Direction direction) {
    changed(draft_.withDirection(device, std::array{axis}, direction, systemNatural_));
}

void WelcomeModel::changed(Config draft) {
    draft_ = std::move(draft);
    changed_.notify(directions());
}

void WelcomeModel::done() {
    if (const std::optional<Directions> chosen = draft_.directions) {
        settings_.update([&](Config& config) { config.directions = chosen; });
    }
    if (setOpenAtLogin_) {
        setOpenAtLogin_(openAtLogin);
    }
    settings_.update([](Config& config) { config.hasCompletedOnboarding = true; });
}

} // namespace skiro
