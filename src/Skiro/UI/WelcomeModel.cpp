#include "Skiro/UI/WelcomeModel.hpp"

namespace skiro {

WelcomeModel::WelcomeModel(Settings& settings, bool systemNatural, InputTap& tap,
                           SetOpenAtLogin setOpenAtLogin)
    : settings_(settings), setOpenAtLogin_(std::move(setOpenAtLogin)),
      test_(ScrollTestModel::make(tap)),
      directions_(settings.config().shownDirections(systemNatural)),
      chosen_(settings.config().directions.has_value()) {
    test_->onFound = [this](const ScrollTest& test) { choose(test.applied(directions_)); };
}

void WelcomeModel::choose(const Directions& directions) {
    directions_ = directions;
    chosen_ = true;
    changed_.notify();
}

void WelcomeModel::done() {
    if (chosen_) {
        settings_.update([&](Config& config) { config.directions = directions_; });
    }
    if (setOpenAtLogin_) {
        setOpenAtLogin_(openAtLogin);
    }
    settings_.update([](Config& config) { config.hasCompletedOnboarding = true; });
}

} // namespace skiro
