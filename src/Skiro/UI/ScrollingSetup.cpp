#include "Skiro/UI/ScrollingSetup.hpp"

#include <QVBoxLayout>

namespace skiro {

ScrollingSetup::ScrollingSetup(std::shared_ptr<ScrollTestModel> test, DirectionsBinding directions,
                               QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(14);
    test_ = new ScrollTestView(std::move(test), this);
    grid_ = new DirectionsGrid(std::move(directions), this);
    layout->addWidget(test_);
    layout->addWidget(grid_);
}

} // namespace skiro
