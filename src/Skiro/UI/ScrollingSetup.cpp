#include "Skiro/UI/ScrollingSetup.hpp"

#include <QVBoxLayout>

namespace skiro {

ScrollingSetup::ScrollingSetup(std::shared_ptr<ScrollTestModel> test, const Directions& shown,
                               DirectionsGrid::Chosen chosen, QWidget* parent)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(14);
    test_ = new ScrollTestView(std::move(test), this);
    grid_ = new DirectionsGrid(shown, std::move(chosen), this);
    layout->addWidget(test_);
    layout->addWidget(grid_);
}

} // namespace skiro
