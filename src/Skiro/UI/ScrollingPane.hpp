#pragma once

#include "CorvaleCore/Subscribers.hpp"
#include "Skiro/Live.hpp"
#include "Skiro/Settings.hpp"
#include "Skiro/UI/DirectionsGrid.hpp"
#include "Skiro/UI/ScrollTestView.hpp"
#include "SkiroCore/Scrolling.hpp"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QLabel;

namespace skiro {

// Which way each device scrolls: the directions shown (the chosen ones, else what the system
// does now) in the grid that changes them, the scroll-test page whose answers apply at once, and
// a warning while another app turns scrolls back.
class ScrollingPane : public QWidget {
public:
    ScrollingPane(Settings& settings, Live& live, InputTap& tap, QWidget* parent = nullptr);

    // What the pane shows: `Config.directions` when chosen, else the system's way everywhere.
    Directions shown() const;
    // A choice in the grid, stored at once; the first one stores all four directions and thereby
    // stops following the system.
    void choose(Device device, Axis axis, Direction direction);
    // The scroll test's answers, stored at once.
    void applyAnswer(const ScrollTest& test);

    DirectionsGrid& grid() const { return *grid_; }
    QLabel* note() const { return note_; }
    QWidget* warning() const { return warning_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Shows `config` as the live controller has it now.
    void refresh(const Config& config, const Live::Now& now);

    Settings& settings_;
    Live& live_;
    std::shared_ptr<ScrollTestModel> test_;
    QLabel* note_;
    DirectionsGrid* grid_;
    ScrollTestView* testView_;
    QWidget* warning_;
    QLabel* warningText_;
    std::optional<corvale::Subscription> settingsChanges_;
    std::optional<corvale::Subscription> liveChanges_;
};

} // namespace skiro
