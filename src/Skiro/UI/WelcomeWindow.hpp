#pragma once

#include "Platform/System.hpp"
#include "Skiro/UI/ScrollingSetup.hpp"
#include "Skiro/UI/WelcomeModel.hpp"

#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QPushButton;

namespace skiro {

// The welcome window's content: the Accessibility permission, the scroll test, the pause item
// and opening at login. Done finishes the model and closes the window.
class WelcomeView final : public QWidget {
public:
    // `waiting` tells whether Accessibility is still missing; `system` asks for it.
    WelcomeView(std::unique_ptr<WelcomeModel> model, platform::System& system, bool waiting,
                QWidget* parent = nullptr);

    WelcomeModel& model() { return *model_; }
    ScrollingSetup& setup() { return *setup_; }
    // Shows the Accessibility row for whether it is still missing.
    void setWaiting(bool waiting);
    // What Done does.
    void finish();
    // Keeps `subscription` (to what tells it `setWaiting`) for as long as the view lives.
    void keep(corvale::Subscription subscription) { watching_ = std::move(subscription); }

private:
    std::unique_ptr<WelcomeModel> model_;
    platform::System& system_;
    QWidget* asking_;
    QWidget* allowed_;
    ScrollingSetup* setup_;
    corvale::Subscription directions_;
    corvale::Subscription watching_;
};

} // namespace skiro
