#pragma once

#include "CorvaleCore/Subscribers.hpp"
#include "Skiro/Settings.hpp"
#include "Skiro/UI/ScrollTestModel.hpp"

#include <functional>
#include <memory>

namespace skiro {

// What the welcome window holds until Done: the scroll test, the directions it found or the user
// chose, and whether to open at login. Nothing is stored before `done()`. Main thread only.
class WelcomeModel {
public:
    // Puts the application in or out of the login items.
    using SetOpenAtLogin = std::function<void(bool open)>;

    // The stored directions when there are any, else what the system does now everywhere.
    WelcomeModel(Settings& settings, bool systemNatural, InputTap& tap,
                 SetOpenAtLogin setOpenAtLogin);
    // The page may outlive the model by a moment while its window is taken down.
    ~WelcomeModel() { test_->onFound = nullptr; }
    WelcomeModel(const WelcomeModel&) = delete;
    WelcomeModel& operator=(const WelcomeModel&) = delete;

    const std::shared_ptr<ScrollTestModel>& test() const { return test_; }
    Directions directions() const { return draft_.shownDirections(systemNatural_); }
    // The user's own choice in the grid.
    void choose(Device device, Axis axis, Direction direction);
    // Told after the directions change, with the directions now.
    corvale::Subscription subscribe(std::function<void(const Directions& directions)> changed) {
        return changed_.add(std::move(changed));
    }
    // The directions came from a choice, a test or the store, not from the system's setting.
    bool chosen() const { return draft_.directions.has_value(); }

    bool openAtLogin = true;

    // Stores the directions when chosen, applies the login choice, and marks onboarding done.
    void done();

private:
    Settings& settings_;
    SetOpenAtLogin setOpenAtLogin_;
    std::shared_ptr<ScrollTestModel> test_;
    bool systemNatural_;
    // The configuration as Done would store its directions.
    Config draft_;
    corvale::Subscribers<const Directions&> changed_;

    void changed(Config draft);
};

} // namespace skiro
