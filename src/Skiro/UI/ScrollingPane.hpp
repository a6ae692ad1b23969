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
    // Stores all four directions at once; the first choice thereby stops following the system.
    void choose(const Directions& directions);
    // A scroll-test answer, applied at once to what is shown and stored.
    void applyAnswer(const std::function<Directions(const Directions&)>& applied);

    DirectionsGrid& grid() const { return *grid_; }
    QLabel* note() const { return note_; }
    QWidget* warning() const { return warning_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();

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
