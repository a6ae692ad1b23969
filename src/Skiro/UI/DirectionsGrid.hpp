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

// Trackpad and mouse by vertical and horizontal, each a choice between Natural and Standard,
// with what the two words mean. It shows what its owner gives it and tells the owner what the
// user chose; the owner changes the configuration and shows the outcome.
class DirectionsGrid final : public QWidget {
public:
    // The user chose `direction` for `device` along `axis`, other than the one shown.
    using Chosen = std::function<void(Device device, Axis axis, Direction direction)>;

    DirectionsGrid(const Directions& shown, Chosen chosen, QWidget* parent = nullptr);

    void setDirections(const Directions& shown);
    const Directions& directions() const { return shown_; }
    // The button that chooses `direction` for `device` along `axis`.
    QAbstractButton* choice(Device device, Axis axis, Direction direction) const;

private:
    Directions shown_;
    Chosen chosen_;
    // By device, then axis.
    QButtonGroup* choices_[2][2];
};

} // namespace skiro
