#include "Skiro/UI/SettingsView.hpp"

#include "Corvale/Diagnostics.hpp"
#include "Corvale/UI/AboutPane.hpp"
#include "Corvale/UI/QtPasteboard.hpp"
#include "CorvaleCore/Defaults.hpp"
#include "Skiro/LoginItem.hpp"
#include "Skiro/UI/GeneralPane.hpp"
#include "Skiro/UI/ScrollingPane.hpp"
#include "Skiro/UI/WindowsUI.hpp"
#include "SkiroEngine/Identity.hpp"

#include "Desk.hpp"
#include "SkiroTap/LiveTap.hpp"
#include "Support/ScriptedPanels.hpp"
#include "Support/TemporaryHome.hpp"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>

#include <fstream>
#include <memory>

namespace skiro {
namespace {

using test::eventually;

template <class Widget>
Widget* find(QWidget* in, const QString& text) {
    for (Widget* widget : in->findChildren<Widget*>()) {
        if (widget->text() == text) {
            return widget;
        }
    }
    return nullptr;
}

// The settings window over a simulated system in a temporary home, offscreen, its main queue
// served by Qt's loop.
struct SettingsWindowTest : ::testing::Test {
    SettingsWindowTest() {
        test::application();
        SettingsView::useParts([this] {
            return SettingsView::Parts{.settings = settings,
                                       .live = [this]() -> Live& { return *live; },
                                       .tap = [this]() -> InputTap& { return *t.tap; },
                                       .loginItem = t.system.loginItem(),
                                       .panels = panels,
                                       .updates = updates,
                                       .open = [](const std::string&) {}};
        });
    }
    ~SettingsWindowTest() override {
        delete SettingsView::window();
        SettingsView::useParts(nullptr);
        SettingsRouter::shared().setPane(SettingsPane::general);
        corvale::Diagnostics::reset();
        corvale::Pasteboard::setGeneral(nullptr);
    }

    template <class Pane>
    Pane* pane(SettingsPane which) {
        WindowsUI::showSettings(which);
        return dynamic_cast<Pane*>(SettingsView::window()->detail(static_cast<int>(which)));
    }

    corvale::test::TemporaryHome home;
    corvale::test::ScopedIdentity identity{appIdentity()};
    test::LiveTap t;
    Settings settings{corvale::Defaults::standard()};
    std::shared_ptr<Live> live;
    corvale::test::ScriptedPanels panels;
    corvale::Updates updates;
};

TEST_F(SettingsWindowTest, OneWindowIsKeptAndALaterOpeningSwitchesItsPane) {
    live = Live::make(t.system, *t.tap, settings);
    WindowsUI::showSettings(SettingsPane::about);
    SettingsView* window = SettingsView::window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "Skiro Settings");
    EXPECT_EQ(window->size(), QSize(720, 640));
    EXPECT_EQ(window->shownPane(), SettingsPane::about);

    WindowsUI::showSettings(SettingsPane::scrolling);
    EXPECT_EQ(SettingsView::window(), window);
    EXPECT_EQ(window->shownPane(), SettingsPane::scrolling);
    EXPECT_TRUE(window->isVisible());
    int windows = 0;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        windows += top->objectName() == "settings" ? 1 : 0;
    }
    EXPECT_EQ(windows, 1);

    // Closing keeps the window and the router's pane; choosing in the sidebar sets the router.
    window->move(140, 90);
    window->close();
    EXPECT_EQ(SettingsView::window(), window);
    EXPECT_EQ(SettingsRouter::shared().pane(), SettingsPane::scrolling);
    window->findChild<QListWidget*>()->setCurrentRow(static_cast<int>(SettingsPane::general));
    EXPECT_EQ(SettingsRouter::shared().pane(), SettingsPane::general);
    EXPECT_EQ(window->shownPane(), SettingsPane::general);

    // The frame is remembered between runs: a window made afresh takes it back.
    delete window;
    WindowsUI::showSettings(SettingsPane::about);
    ASSERT_NE(SettingsView::window(), nullptr);
    EXPECT_EQ(SettingsView::window()->pos(), QPoint(140, 90));
}

TEST_F(SettingsWindowTest,
       WithoutStoredDirectionsTheSystemsWayShowsAndTheFirstChangeStoresAllFour) {
    t.system.setNaturalScrolling(false);
    live = Live::make(t.system, *t.tap, settings);
    auto* scrolling = pane<ScrollingPane>(SettingsPane::scrolling);
    ASSERT_NE(scrolling, nullptr);
    EXPECT_EQ(scrolling->shown(), Directions::system(false));
    const auto choice = [&](Device device, Axis axis, Direction direction) {
        return scrolling->grid().choice(device, axis, direction);
    };
    EXPECT_TRUE(choice(Device::trackpad, Axis::vertical, Direction::standard)->isChecked());
    EXPECT_FALSE(scrolling->note()->isHidden());
    EXPECT_TRUE(scrolling->warning()->isHidden());
    // The choice already shown changes nothing: the system's setting keeps applying.
    choice(Device::trackpad, Axis::vertical, Direction::standard)->click();
    EXPECT_FALSE(settings.config().directions);

    const QPoint gridAt = scrolling->grid().mapTo(scrolling, QPoint());
    choice(Device::trackpad, Axis::vertical, Direction::natural)->click();
    const Directions chosen{Direction::natural, Direction::standard, Direction::standard,
                            Direction::standard};
    EXPECT_EQ(settings.config().directions, chosen);
    EXPECT_TRUE(scrolling->note()->isHidden());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    EXPECT_EQ(scrolling->grid().mapTo(scrolling, QPoint()), gridAt) << "nothing moves";

    // A test answer is stored at once, beside what was chosen.
    ScrollTest answered;
    ASSERT_TRUE(answered.scrolled(ScrollSample{.device = Device::mouse}, 3, 0, 0));
    scrolling->applyAnswer(answered);
    EXPECT_EQ(settings.config().directions->mouseVertical, Direction::natural);
    EXPECT_EQ(settings.config().directions->trackpadVertical, Direction::natural);
    EXPECT_TRUE(choice(Device::mouse, Axis::vertical, Direction::natural)->isChecked());

    // Each opening of the pane starts a fresh test.
    ScrollTestModel::switchListening(Axis::horizontal);
    SettingsView::window()->close();
    WindowsUI::showSettings(SettingsPane::scrolling);
    ASSERT_NE(ScrollTestModel::listening(), nullptr);
    EXPECT_EQ(ScrollTestModel::listening()->test().axis(), Axis::vertical);
}

TEST_F(SettingsWindowTest, ALoginItemFailureLeavesTheToggleAsSetAndOnlyLogs) {
    live = Live::make(t.system, *t.tap, settings);
    // A file where the autostart folder should be: nothing can be written there.
    std::filesystem::create_directories(home.config());
    std::ofstream(home.config() / "autostart") << "not a folder";
    auto* general = pane<GeneralPane>(SettingsPane::general);
    ASSERT_NE(general, nullptr);
    EXPECT_FALSE(general->openAtLogin()->isChecked());

    general->openAtLogin()->click();
    EXPECT_TRUE(general->openAtLogin()->isChecked());
    EXPECT_TRUE(panels.alerts.empty());
    const std::vector<std::string> errors = test::LiveTap::messages("general", true);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(errors[0].starts_with("Couldn't add the login item: ")) << errors[0];

    // Pausing goes through the settings store, and a pause from elsewhere shows.
    general->pause()->click();
    EXPECT_TRUE(settings.config().paused);
    settings.update([](Config& config) { config.paused = false; });
    EXPECT_FALSE(general->pause()->isChecked());

    // Shown again, the pane reads what the login item is now (the welcome's Done may set it).
    std::filesystem::remove(home.config() / "autostart");
    LoginItem::set(t.system.loginItem(), true);
    SettingsView::window()->close();
    {
        QSignalBlocker quiet(general->openAtLogin());
        general->openAtLogin()->setChecked(false);
    }
    WindowsUI::showSettings(SettingsPane::general);
    EXPECT_TRUE(general->openAtLogin()->isChecked());
}

TEST_F(SettingsWindowTest, TheUpdatesSectionShowsOnlyItsSentenceInABuildWithoutUpdates) {
    live = Live::make(t.system, *t.tap, settings);
    for (bool configured : {false, true}) {
        corvale::json::Json info = corvale::Bundle::compiled().info().value();
        info.erase(std::string(corvale::Bundle::updateKeyKey));
        if (configured) {
            info[std::string(corvale::Bundle::updateKeyKey)] = "key";
        }
        corvale::test::ScopedBundle bundle{corvale::Bundle(info)};
        delete SettingsView::window();
        auto* about = pane<corvale::AboutPane>(SettingsPane::about);
        ASSERT_NE(about, nullptr);
        QGroupBox* updatesBox = nullptr;
        for (QGroupBox* box : about->findChildren<QGroupBox*>()) {
            updatesBox = box->title() == "Updates" ? box : updatesBox;
        }
        ASSERT_NE(updatesBox, nullptr);
        const auto labels = updatesBox->findChildren<QLabel*>();
        const auto toggles = updatesBox->findChildren<QCheckBox*>();
        if (!configured) {
            ASSERT_EQ(labels.size(), 1);
            EXPECT_EQ(labels[0]->text(), "This build doesn't check for updates.");
            EXPECT_TRUE(toggles.empty());
            EXPECT_TRUE(updatesBox->findChildren<QPushButton*>().empty());
        } else {
            ASSERT_EQ(toggles.size(), 2);
            EXPECT_EQ(toggles[0]->text(), "Check for updates automatically");
            EXPECT_NE(find<QLabel>(updatesBox, "Last checked: Never"), nullptr);
            EXPECT_NE(find<QPushButton>(updatesBox, "Check Now"), nullptr);
            EXPECT_NE(find<QLabel>(updatesBox, "Skiro looks for a new version once a day. Updates "
                                               "installed automatically take effect the next time "
                                               "Skiro starts."),
                      nullptr);
        }
    }
}

TEST_F(SettingsWindowTest, CopyingDiagnosticsPutsExactlyTheReportOnTheClipboard) {
    live = Live::make(t.system, *t.tap, settings);
    corvale::Pasteboard::setGeneral(std::make_shared<corvale::QtPasteboard>());
    corvale::Diagnostics::configure([](const corvale::Diagnostics::Gathered& gathered) {
        gathered({.status = "running", .setup = {"one mouse"}, .sections = {}});
    });
    QGuiApplication::clipboard()->setText("what was there");
    auto* about = pane<corvale::AboutPane>(SettingsPane::about);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->findChild<QLabel*>("diagnosticsText")->text().toStdString(),
              "Diagnostics are for bug reports: versions, how your Mac is set up, your settings, "
              "its settings, the devices it has seen and how often, any recent hangs and the last "
              "10 minutes of the log, ready to paste. Nothing about the apps you use or where the "
              "pointer was is in them. Detailed logging records more of what Skiro decides (what "
              "it decides for each scroll). In Terminal, `skiro diagnostics` prints the same.");

    std::optional<std::string> report;
    corvale::Diagnostics::report([&](std::string text) { report = std::move(text); });
    ASSERT_TRUE(eventually([&] { return report.has_value(); }));
    about->copyButton()->click();
    ASSERT_TRUE(eventually([&] { return about->copyButton()->text() == "Copied"; }));
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), *report);
    EXPECT_NE(report->find("one mouse"), std::string::npos);
    ASSERT_TRUE(eventually([&] { return about->copyButton()->text() == "Copy Diagnostics"; }));
}

} // namespace
} // namespace skiro
