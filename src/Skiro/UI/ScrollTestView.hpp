#pragma once

#include "CorvaleCore/Subscribers.hpp"
#include "Skiro/UI/ScrollTestModel.hpp"

#include <QWidget>

#include <memory>

class QLabel;
class QTabBar;

namespace skiro {

// The page to scroll over: it moves forward with every wheel event whichever way it goes (the
// test judges the direction, not the page), and registers its model as the tap's listener while
// it shows.
class PageView final : public QWidget {
public:
    PageView(std::shared_ptr<ScrollTestModel> model, QWidget* parent = nullptr);
    ~PageView() override;

    Axis axis() const { return axis_; }
    void setAxis(Axis axis);
    // How far the page has moved, in points; only grows until the test restarts.
    double offset() const { return offset_; }
    void rewind();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    std::shared_ptr<ScrollTestModel> model_;
    Axis axis_ = Axis::vertical;
    double offset_ = 0;
};

// The scroll test: a tab per axis, the prompt, the hint, the page and what was found per device.
class ScrollTestView final : public QWidget {
public:
    ScrollTestView(std::shared_ptr<ScrollTestModel> model, QWidget* parent = nullptr);

    // Accessibility is missing: the hint says so.
    void setWaiting(bool waiting);
    // A fresh test: nothing found, the vertical tab, the page at its start.
    void restart();
    PageView& page() { return *page_; }

private:
    void refresh();

    std::shared_ptr<ScrollTestModel> model_;
    bool waiting_ = false;
    QTabBar* tabs_;
    QLabel* prompt_;
    QLabel* hint_;
    PageView* page_;
    QLabel* marks_[2];
    QLabel* statuses_[2];
    corvale::Subscription changes_;
};

} // namespace skiro
