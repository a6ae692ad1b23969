#pragma once

#include "CorvaleCore/Subscribers.hpp"
#include "Skiro/Live.hpp"
#include "Skiro/Settings.hpp"
#include "SkiroCore/Scrolling.hpp"

#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QVBoxLayout;

namespace skiro {

// Which way each device scrolls: the directions shown (the chosen ones, else what the system
// does now), the place for the grid that changes them and for the scroll-test page, and a
// warning while another app turns scrolls back.
class ScrollingPane : public QWidget {
public:
    ScrollingPane(Settings& settings, Live& live, QWidget* parent = nullptr);

    // What the pane shows: `Config.directions` when chosen, else the system's way everywhere.
    Directions shown() const;
    // Stores all four directions at once; the first choice thereby stops following the system.
    void choose(const Directions& directions);
    // A scroll-test answer, applied at once to what is shown and stored.
    void applyAnswer(const std::function<Directions(const Directions&)>& applied);

    // Where the directions grid goes (it reads `shown()` and calls `choose`), and where the
    // scroll-test page goes (its answers come to `applyAnswer`).
    QVBoxLayout* gridSlot() const { return gridSlot_; }
    QVBoxLayout* testPageSlot() const { return testPageSlot_; }

    // Stand-in choices for the grid until it is plugged in: trackpad vertical, trackpad
    // horizontal, mouse vertical, mouse horizontal.
    QComboBox* choice(Device device, Axis axis) const;
    QLabel* note() const { return note_; }
    QWidget* warning() const { return warning_; }

private:
    void refresh();

    Settings& settings_;
    Live& live_;
    QVBoxLayout* gridSlot_;
    QVBoxLayout* testPageSlot_;
    std::array<QComboBox*, 4> choices_{};
    QLabel* note_;
    QWidget* warning_;
    QLabel* warningText_;
    std::optional<corvale::Subscription> settingsChanges_;
    std::optional<corvale::Subscription> liveChanges_;
};

} // namespace skiro
