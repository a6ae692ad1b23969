#include "Skiro/UI/ScrollTestModel.hpp"

#include "Desk.hpp"

#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace skiro {
namespace {

using test::Desk;

TEST(ScrollTestModel, ThePageShownLastListensAndHidingItHandsTheTapBack) {
    Desk desk;
    InputTap& tap = *desk.tap;
    auto welcome = ScrollTestModel::make(tap);
    auto pane = ScrollTestModel::make(tap);

    welcome->start();
    pane->start();
    EXPECT_EQ(ScrollTestModel::listening(), pane);
    // The pane hidden while the welcome still shows: the welcome's page listens again.
    pane->stop();
    EXPECT_EQ(ScrollTestModel::listening(), welcome);
    EXPECT_TRUE(tap.observer().observing());
    ScrollTestModel::switchListening(Axis::horizontal);
    EXPECT_EQ(welcome->test().axis(), Axis::horizontal);
    welcome->restart();
    EXPECT_EQ(welcome->test().axis(), Axis::vertical);

    pane->start();
    EXPECT_EQ(ScrollTestModel::listening(), pane);
    // The welcome page hidden after the pane took over leaves the pane's callback in place.
    welcome->stop();
    EXPECT_TRUE(tap.observer().observing());
    EXPECT_TRUE(tap.observer().onScroll());
    ScrollTestModel::switchListening(Axis::horizontal);
    EXPECT_EQ(pane->test().axis(), Axis::horizontal);
    EXPECT_EQ(welcome->test().axis(), Axis::vertical);

    pane->stop();
    EXPECT_FALSE(tap.observer().observing());
    EXPECT_FALSE(tap.observer().onScroll());
    EXPECT_EQ(ScrollTestModel::listening(), nullptr);

    // Held weakly: a listener that goes away without stopping is simply gone.
    pane->start();
    pane.reset();
    EXPECT_EQ(ScrollTestModel::listening(), nullptr);
    tap.observer().setOnScroll(nullptr);
    tap.observer().setObserving(false);
}

TEST(ScrollTestModel, LastInputReadsBackExactlyAndOnlyScrollsOverThePageCount) {
    Desk desk;
    auto model = ScrollTestModel::make(*desk.tap);
    int changes = 0;
    auto subscription = model->subscribe([&] { ++changes; });
    const ScrollSample wheel{.device = Device::mouse};

    // No page shows: the scroll is seen but not fed to the test.
    model->scrollArrived(wheel, 3, -0.1, 0, {10, 10});
    EXPECT_EQ(model->lastInput(), "mouse v 3.0 h -0.1 on the page false");
    EXPECT_TRUE(model->test().found().empty());

    QWidget window;
    window.setGeometry(100, 100, 300, 200);
    auto* page = new QWidget(&window);
    page->setGeometry(50, 40, 200, 100);
    model->setPage(page);
    window.show();
    ASSERT_TRUE(test::eventually([&] { return model->pageFrame().has_value(); }));
    EXPECT_EQ(*model->pageFrame(), QRect(150, 140, 200, 100));

    std::vector<Direction> found;
    model->onFound = [&](const ScrollTest& test) {
        found.push_back(test.found().at(Device::mouse).at(Axis::vertical));
    };
    model->scrollArrived(wheel, -3, 0, 1, {200, 190});
    EXPECT_EQ(model->lastInput(), "mouse v -3.0 h 0.0 on the page true");
    EXPECT_EQ(found, std::vector<Direction>{Direction::standard});
    model->scrollArrived(wheel, -3, 0, 1.1, {200, 190});
    EXPECT_EQ(found.size(), 1u) << "told only when an answer changes";
    EXPECT_EQ(changes, 3);

    // A window over that spot: the spot no longer counts.
    QWidget cover;
    cover.setGeometry(180, 170, 60, 60);
    cover.show();
    EXPECT_TRUE(model->isOverPage({160, 150}));
    EXPECT_FALSE(model->isOverPage({200, 190}));
}

} // namespace
} // namespace skiro
