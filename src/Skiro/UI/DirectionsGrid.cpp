#include "Skiro/UI/DirectionsGrid.hpp"

#include "Corvale/UI/Labels.hpp"
#include "Corvale/UI/QtText.hpp"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace skiro {

std::string_view shownName(Device device) {
    return device == Device::trackpad ? "Trackpad" : "Mouse";
}

std::string_view shownName(Direction direction) {
    return direction == Direction::natural ? "Natural" : "Standard";
}

DirectionsGrid::DirectionsGrid(DirectionsBinding binding, QWidget* parent)
    : QWidget(parent), binding_(std::move(binding)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* grid = new QGridLayout();
    grid->setHorizontalSpacing(16);
    grid->addWidget(corvale::Labels::secondary("Vertical", this), 0, 1, Qt::AlignHCenter);
    grid->addWidget(corvale::Labels::secondary("Horizontal", this), 0, 2, Qt::AlignHCenter);
    for (Device device : allCases<Device>) {
        const int row = static_cast<int>(device) + 1;
        grid->addWidget(corvale::Labels::text(shownName(device), this), row, 0);
        for (Axis axis : allCases<Axis>) {
            auto* group = new QButtonGroup(this);
            auto* segments = new QHBoxLayout();
            segments->setSpacing(0);
            for (Direction direction : allCases<Direction>) {
                auto* button = new QPushButton(corvale::qtText(shownName(direction)), this);
                button->setCheckable(true);
                group->addButton(button, static_cast<int>(direction));
                segments->addWidget(button);
            }
            QObject::connect(group, &QButtonGroup::idClicked, this, [this, device, axis](int id) {
                Directions directions = binding_.get();
                directions.at(device, axis) = static_cast<Direction>(id);
                binding_.set(directions);
            });
            choices_[static_cast<int>(device)][static_cast<int>(axis)] = group;
            grid->addLayout(segments, row, static_cast<int>(axis) + 1);
        }
    }
    grid->setColumnStretch(3, 1);
    layout->addLayout(grid);
    layout->addWidget(corvale::Labels::secondary(
        "Natural: the page follows your fingers, as on an iPhone. Standard: scrolling down moves "
        "you down the page, as on Windows.",
        this));
    refresh();
}

QAbstractButton* DirectionsGrid::choice(Device device, Axis axis, Direction direction) const {
    return choices_[static_cast<int>(device)][static_cast<int>(axis)]->button(
        static_cast<int>(direction));
}

void DirectionsGrid::refresh() {
    const Directions directions = binding_.get();
    for (Device device : allCases<Device>) {
        for (Axis axis : allCases<Axis>) {
            QButtonGroup* group = choices_[static_cast<int>(device)][static_cast<int>(axis)];
            group->button(static_cast<int>(directions.at(device, axis)))->setChecked(true);
        }
    }
}

} // namespace skiro
