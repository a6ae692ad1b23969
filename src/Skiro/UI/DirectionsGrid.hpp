#pragma once

#include "SkiroCore/Scrolling.hpp"

#include <QWidget>

#include <functional>
#include <string_view>

class QAbstractButton;
class QButtonGroup;

namespace skiro {

// The names the windows show: "Trackpad" or "Mouse", "Natural" or "Standard".
std::string_view shownName(Device device);
std::string_view shownName(Direction direction);

// Where a view reads and writes the directions it shows.
struct DirectionsBinding {
    std::function<Directions()> get;
    std::function<void(const Directions&)> set;
};

// Trackpad and mouse by vertical and horizontal, each a choice between Natural and Standard,
// with what the two words mean.
class DirectionsGrid final : public QWidget {
public:
    explicit DirectionsGrid(DirectionsBinding binding, QWidget* parent = nullptr);

    // Shows the directions the binding gives now.
    void refresh();
    // The button that chooses `direction` for `device` along `axis`.
    QAbstractButton* choice(Device device, Axis axis, Direction direction) const;

private:
    DirectionsBinding binding_;
    // By device, then axis.
    QButtonGroup* choices_[2][2];
};

} // namespace skiro
