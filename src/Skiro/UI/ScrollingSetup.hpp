#pragma once

#include "Skiro/UI/DirectionsGrid.hpp"
#include "Skiro/UI/ScrollTestView.hpp"

#include <QWidget>

#include <memory>

namespace skiro {

// The scroll test over the grid of directions: the welcome window's middle. (The settings
// window's Scrolling pane lays out its own, the grid first.)
class ScrollingSetup final : public QWidget {
public:
    ScrollingSetup(std::shared_ptr<ScrollTestModel> test, const Directions& shown,
                   DirectionsGrid::Chosen chosen, QWidget* parent = nullptr);

    ScrollTestView& test() { return *test_; }
    DirectionsGrid& grid() { return *grid_; }

private:
    ScrollTestView* test_;
    DirectionsGrid* grid_;
};

} // namespace skiro
