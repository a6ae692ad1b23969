#include "Skiro/UI/WelcomeWindow.hpp"

#include "Corvale/Pasteboard.hpp"
#include "Desk.hpp"
#include "Skiro/UI/CrashNoteView.hpp"
#include "Skiro/UI/WindowRule.hpp"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QTabBar>
#include <gtest/gtest.h>

#include <thread>

namespace skiro {
namespace {

using platform::simulated::gestures::swipeWithoutMomentum;
using test::Desk;
using test::eventually;

// The welcome window on `desk`, shown through the window rule; its content.
WelcomeView& showWelcome(Desk& desk, bool waiting = false, std::vector<bool>* logins = nullptr) {
    auto model = std::make_unique<WelcomeModel>(desk.settings, desk.system.naturalScrolling(),
                                                *desk.tap, [logins](bool open) {
                                                    if (logins) {
                                                        logins->push_back(open);
                                                    }
                                                });
    auto view = std::make_unique<WelcomeView>(std::move(model), desk.system, waiting);
    WelcomeView& shown = *view;
    WindowsUI::showFitted("welcome", 620, std::move(view));
    return shown;
}

// The texts of the visible labels and buttons under `root`, in order.
std::vector<std::string> texts(QWidget& root) {
    std::vector<std::string> found;
    for (QWidget* widget : root.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&root)) {
            continue;
        }
        if (auto* label = qobject_cast<QLabel*>(widget); label && !label->text().isEmpty()) {
            found.push_back(label->text().toStdString());
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            found.push_back(button->text().toStdString());
        }
    }
    return found;
}

bool has(const std::vector<std::string>& texts, const std::string& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

std::string status(WelcomeView& view, const char* device) {
    for (const std::string& text : texts(view)) {
        if (text.starts_with(device)) {
            return text;
        }
    }
    return "";
}

// Swipes the trackpad by `vertical` points at `at` from another thread, as a hand would, and
// runs the loop until the scroll went through the taps and its report arrived.
void swipeAt(Desk& desk, QPoint at, double vertical, InputTap& tap) {
    desk.system.setPointer({static_cast<double>(at.x()), static_cast<double>(at.y())});
    const std::uint64_t before = tap.stats().scrolls;
    std::atomic<bool> posted{false};
    std::thread hand([&] {
        desk.system.post(desk.trackpad, swipeWithoutMomentum(vertical, 0));
        posted = true;
    });
    EXPECT_TRUE(eventually([&] { return posted.load(); }));
    hand.join();
    EXPECT_GT(tap.stats().scrolls, before);
    // The reports and the wheel events travel through the main queue: let them all arrive.
    for (int round = 0; round < 5; ++round) {
        eventually([] { return true; });
    }
}

TEST(WelcomeWindow, ShowsItsTextsWithAndWithoutAccessibility) {
    Desk desk;
    WelcomeView& waiting = showWelcome(desk, true);
    const std::vector<std::string> asking = texts(waiting);
    for (const char* text :
         {"Welcome to Skiro", "Your trackpad and your mouse, each scrolling its own way.",
          "Skiro needs Accessibility to see scrolling. It changes which way scrolling goes, and "
          "nothing else.",
          "Allow Accessibility", "Open System Settings",
          "Scroll down, the way you'd go down a page",
          "Allow Accessibility first: until then Skiro can't see scrolling.", "Trackpad: not yet",
          "Mouse: not yet", "Trackpad", "Mouse", "Natural", "Standard",
          "Natural: the page follows your fingers, as on an iPhone. Standard: scrolling down moves "
          "you down the page, as on Windows.",
          "Pause from the menu bar",
          "While paused, scrolling follows System Settings. Settings is there too, with this test "
          "in Scrolling.",
          "Open at login", "Done"}) {
        EXPECT_TRUE(has(asking, text)) << text;
    }
    EXPECT_FALSE(has(asking, "Allowed. Skiro sees scrolling, and changes only which way it goes."));

    WelcomeView& allowed = showWelcome(desk, false);
    allowed.findChild<QTabBar*>()->setCurrentIndex(1);
    const std::vector<std::string> granted = texts(allowed);
    EXPECT_TRUE(has(granted, "Allowed. Skiro sees scrolling, and changes only which way it goes."));
    EXPECT_FALSE(has(granted, "Allow Accessibility"));
    EXPECT_TRUE(has(granted, "Scroll right, the way you'd go along a wide page"));
    EXPECT_TRUE(has(granted, "Over the page below, with the trackpad, the mouse, or both. Scroll "
                             "the way you would without thinking; scroll the other way to change "
                             "it. With a mouse wheel, hold Shift to scroll sideways."));

    // The window rule: 620 wide, no taller than the screen allows, centred.
    QWidget* window = WindowsUI::window("welcome");
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(window->width(), 620);
    EXPECT_LE(window->height(), screen.height() - 40);
    EXPECT_NEAR(window->frameGeometry().center().x(), screen.center().x(), 1);
}

TEST(WelcomeWindow, ASwipeOverThePageMovesItAndAnswersButNotWhereAnotherWindowCoversIt) {
    Desk desk;
    ASSERT_TRUE(desk.tap->start());
    WelcomeView& view = showWelcome(desk);
    PageView& page = view.setup().test().page();
    std::shared_ptr<ScrollTestModel> test = view.model().test();
    ASSERT_TRUE(eventually([&] { return test->pageFrame().has_value(); }));
    ASSERT_EQ(ScrollTestModel::listening(), test);
    const QRect frame = *test->pageFrame();
    ASSERT_TRUE(eventually([&] { return OwnWindows::installed()->covers(frame.center()); }));

    // A window of ours over the page's left part: swipes there reach it, not the page.
    QWidget cover;
    cover.setGeometry(frame.left(), frame.top(), 60, frame.height());
    cover.show();
    const QPoint covered(frame.left() + 30, frame.center().y());
    ASSERT_TRUE(eventually([&] { return OwnWindows::installed()->covers(covered); }));
    swipeAt(desk, covered, 40, *desk.tap);
    EXPECT_TRUE(eventually([&] {
        return test->lastInput() && test->lastInput()->ends_with("on the page false");
    })) << test->lastInput().value_or("nothing seen");
    EXPECT_EQ(page.offset(), 0);
    EXPECT_EQ(status(view, "Trackpad"), "Trackpad: not yet");

    // Moving the fingers down the pad the way content follows them: natural.
    const std::uint64_t elsewhere = desk.system.application().receivedCount();
    swipeAt(desk, frame.center() + QPoint(40, 0), 40, *desk.tap);
    EXPECT_TRUE(eventually([&] { return status(view, "Trackpad") == "Trackpad: Natural"; }))
        << status(view, "Trackpad");
    EXPECT_GT(page.offset(), 0);
    EXPECT_EQ(desk.system.application().receivedCount(), elsewhere)
        << "the page's scrolls reached it and no other application";
    EXPECT_TRUE(view.model().chosen());
    EXPECT_EQ(view.model().directions().trackpadVertical, Direction::natural);
    EXPECT_FALSE(desk.settings.config().directions) << "nothing is stored before Done";

    // The other way changes the answer.
    swipeAt(desk, frame.center() + QPoint(40, 0), -40, *desk.tap);
    EXPECT_TRUE(eventually([&] { return status(view, "Trackpad") == "Trackpad: Standard"; }))
        << status(view, "Trackpad");

    // The sideways page moves under an up-and-down swipe too, which answers nothing sideways.
    view.findChild<QTabBar*>()->setCurrentIndex(1);
    EXPECT_EQ(test->test().axis(), Axis::horizontal);
    const double moved = page.offset();
    swipeAt(desk, frame.center() + QPoint(40, 0), 40, *desk.tap);
    EXPECT_TRUE(eventually([&] { return page.offset() > moved; }));
    EXPECT_EQ(status(view, "Trackpad"), "Trackpad: not yet");
}

TEST(WelcomeWindow, ShowingItAgainGivesAFreshModelAndDoneStoresOnlyWhatWasChosen) {
    Desk desk;
    std::vector<bool> logins;
    WelcomeView& first = showWelcome(desk, false, &logins);
    QWidget* firstWindow = WindowsUI::window("welcome");
    ASSERT_TRUE(eventually([&] { return ScrollTestModel::listening() == first.model().test(); }));
    std::weak_ptr<ScrollTestModel> firstTest = first.model().test();

    WelcomeView& second = showWelcome(desk, false, &logins);
    EXPECT_NE(WindowsUI::window("welcome"), firstWindow);
    EXPECT_TRUE(eventually([&] { return firstTest.expired(); })) << "the old window is gone";
    EXPECT_EQ(ScrollTestModel::listening(), second.model().test());
    EXPECT_TRUE(second.model().test()->test().found().empty());

    // Nothing tested or chosen: the system's setting keeps applying. Return presses Done.
    EXPECT_FALSE(second.model().chosen());
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(WindowsUI::window("welcome"), &enter);
    EXPECT_FALSE(desk.settings.config().directions);
    EXPECT_TRUE(desk.settings.config().hasCompletedOnboarding);
    EXPECT_EQ(logins, std::vector<bool>{true});
    EXPECT_FALSE(WindowsUI::window("welcome")->isVisible());
    EXPECT_EQ(ScrollTestModel::listening(), nullptr) << "the hidden page let the tap go";

    // A choice in the grid is stored at Done, with the login choice.
    WelcomeView& third = showWelcome(desk, false, &logins);
    Directions chosen = third.model().directions();
    chosen.mouseVertical = Direction::standard;
    third.setup().grid().choice(Device::mouse, Axis::vertical, Direction::standard)->click();
    EXPECT_EQ(third.setup().grid().directions(), chosen) << "shown before Done";
    EXPECT_FALSE(desk.settings.config().directions) << "stored only at Done";
    third.model().openAtLogin = false;
    third.finish();
    EXPECT_EQ(desk.settings.config().directions, chosen);
    EXPECT_EQ(logins, (std::vector<bool>{true, false}));
}

} // namespace
} // namespace skiro

namespace skiro {
namespace {

TEST(NoteWindows, OpenAnIssueCopiesTheReportAndOpensTheAddress) {
    Desk desk;
    const corvale::CrashNote::Model note{.kind = corvale::CrashNote::Model::Kind::hang,
                                         .version = "1.2",
                                         .summary = "Skiro 1.2 stopped responding."};
    QWidget* window =
        WindowsUI::showFitted("crashNote", 600, makeCrashNoteView(note, desk.system), true);
    EXPECT_EQ(window->width(), 600);
    QAbstractButton* issue = nullptr;
    for (auto* button : window->findChildren<QAbstractButton*>()) {
        if (button->text() == QStringLiteral("Open an Issue…")) {
            issue = button;
        }
    }
    ASSERT_NE(issue, nullptr);
    issue->click();
    EXPECT_EQ(desk.system.simulatedWorkspace().openedURLs(),
              std::vector<std::string>{corvale::AppIdentity::current().newIssueURL()});
    EXPECT_TRUE(eventually([] {
        const std::optional<std::string> copied = corvale::Pasteboard::general().string();
        return copied && copied->starts_with("## What happened");
    }));
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(issue, &escape);
    EXPECT_FALSE(window->isVisible());
}

} // namespace
} // namespace skiro
