// Every window and pane, drawn offscreen in a light and a dark palette: each text readable
// against what is behind it, and at the window's smallest size nothing overlapping or cut.
// With SKIRO_LOOKS_DIR set, the drawings are written there as PNGs and the faintest text of
// each is printed.
#include "Corvale/UI/Labels.hpp"
#include "Skiro/UI/CrashNoteView.hpp"
#include "Skiro/UI/ScrollingPane.hpp"
#include "Skiro/UI/SettingsView.hpp"
#include "Skiro/UI/WelcomeWindow.hpp"
#include "Skiro/UI/WhatsNewView.hpp"
#include "Skiro/UI/WindowCommands.hpp"
#include "Skiro/UI/WindowRule.hpp"
#include "Skiro/UI/WindowsUI.hpp"

#include "Desk.hpp"
#include "Support/ScriptedPanels.hpp"

#include <QApplication>
#include <QLabel>
#include <QScrollArea>
#include <QStyle>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <iostream>
#include <map>
#include <string>

namespace skiro {
namespace {

using corvale::Labels::contrast;

QPalette paletteNamed(const std::string& name) {
    if (name == "light") {
        return QApplication::style()->standardPalette();
    }
    // Dark as some platform themes set it: the placeholder colour left dark on a dark window.
    QPalette dark;
    const QColor text(230, 230, 232);
    const std::map<QPalette::ColorRole, QColor> colours{
        {QPalette::Window, QColor(44, 44, 46)},
        {QPalette::WindowText, text},
        {QPalette::Base, QColor(30, 30, 32)},
        {QPalette::AlternateBase, QColor(50, 50, 52)},
        {QPalette::Text, text},
        {QPalette::Button, QColor(60, 60, 64)},
        {QPalette::ButtonText, text},
        {QPalette::Light, QColor(90, 90, 94)},
        {QPalette::Midlight, QColor(72, 72, 76)},
        {QPalette::Mid, QColor(96, 96, 100)},
        {QPalette::Dark, QColor(24, 24, 26)},
        {QPalette::Shadow, QColor(0, 0, 0)},
        {QPalette::Highlight, QColor(42, 130, 218)},
        {QPalette::HighlightedText, Qt::white},
        {QPalette::PlaceholderText, QColor(70, 70, 74)}};
    for (const auto& [role, colour] : colours) {
        dark.setColor(role, colour);
    }
    return dark;
}

struct Shown {
    QWidget* window;
    // What to read the texts in: the window, or the content of its scrolling area.
    QWidget* content;
};

// The window shown by `open`, at its smallest size.
struct Case {
    std::string name;
    std::function<QWidget*(test::Desk& desk, Live& live)> open;
};

QWidget* welcome(test::Desk& desk, Live& live, bool waiting) {
    auto model =
        std::make_unique<WelcomeModel>(desk.settings, live.systemNatural(), *desk.tap, [](bool) {});
    return WindowsUI::showFitted(
        "welcome", WindowsUI::welcomeWidth,
        std::make_unique<WelcomeView>(std::move(model), desk.system, waiting));
}

QWidget* settings(SettingsPane pane) {
    WindowsUI::showSettings(pane);
    SettingsView* window = SettingsView::window();
    window->resize(window->minimumSize());
    return window;
}

const std::vector<Case> cases{
    {"welcomeWaiting", [](test::Desk& d, Live& l) { return welcome(d, l, true); }},
    {"welcomeAllowed", [](test::Desk& d, Live& l) { return welcome(d, l, false); }},
    {"general", [](test::Desk&, Live&) { return settings(SettingsPane::general); }},
    {"scrolling",
     [](test::Desk&, Live&) {
         QWidget* window = settings(SettingsPane::scrolling);
         // The warning's texts too, on its tint, as when another app turns scrolls back.
         dynamic_cast<ScrollingPane&>(*SettingsView::window()->detail(1)).warning()->show();
         return window;
     }},
    {"about", [](test::Desk&, Live&) { return settings(SettingsPane::about); }},
    {"crashNote",
     [](test::Desk& desk, Live&) {
         const corvale::CrashNote::Model note{.kind = corvale::CrashNote::Model::Kind::crash,
                                              .version = "1.2",
                                              .summary = "Skiro 1.2 quit unexpectedly."};
         return WindowsUI::showFitted("crashNote", 600, makeCrashNoteView(note, desk.system), true);
     }},
    {"whatsNew",
     [](test::Desk&, Live&) {
         const corvale::WhatsNew::Feature feature{
             .id = "pause",
             .symbol = "menubar.rectangle",
             .title = "Pause from the menu bar",
             .detail = "While paused, scrolling follows System Settings.",
             .badge = [] { return std::optional<std::string>("On"); },
             .button = corvale::WhatsNew::Button{"Open Settings", [] {}}};
         return WindowsUI::showFitted(
             "whatsNew", 620, makeWhatsNewView({{.version = "1.2", .features = {feature}}}), true);
     }},
};

struct Looks : ::testing::TestWithParam<std::tuple<std::string, std::size_t>> {
    Looks() {
        test::application();
        before = QApplication::palette();
        QApplication::setPalette(paletteNamed(std::get<0>(GetParam())));
        SettingsView::useParts([this] {
            return SettingsView::Parts{.settings = desk.settings,
                                       .live = [this]() -> Live& { return *live; },
                                       .tap = [this]() -> InputTap& { return *desk.tap; },
                                       .loginItem = desk.system.loginItem(),
                                       .panels = panels,
                                       .updates = updates,
                                       .open = [](const std::string&) {}};
        });
    }
    ~Looks() override {
        delete SettingsView::window();
        SettingsView::useParts(nullptr);
        SettingsRouter::shared().setPane(SettingsPane::general);
        QApplication::setPalette(before);
    }

    QPalette before;
    test::Desk desk;
    std::shared_ptr<Live> live = Live::make(desk.system, *desk.tap, desk.settings);
    corvale::test::ScriptedPanels panels;
    corvale::Updates updates;
};

// The colour most of `area` has (in points, of a picture at 2 pixels a point): what is behind
// the text drawn there.
QColor background(const QImage& picture, const QRect& area) {
    std::map<QRgb, int> counts;
    const QRect pixels = QRect(area.topLeft() * 2, area.size() * 2).intersected(picture.rect());
    for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
        for (int x = pixels.left(); x <= pixels.right(); ++x) {
            ++counts[picture.pixel(x, y)];
        }
    }
    auto most = std::max_element(counts.begin(), counts.end(),
                                 [](const auto& a, const auto& b) { return a.second < b.second; });
    return most == counts.end() ? QColor() : QColor::fromRgb(most->first);
}

bool overlap(const QRect& a, const QRect& b) {
    return a.intersected(b).width() > 0 && a.intersected(b).height() > 0;
}

TEST_P(Looks, EveryTextIsReadableAndNothingOverlapsOrIsCutAtTheSmallestSize) {
    const auto& [paletteName, index] = GetParam();
    QWidget* window = cases.at(index).open(desk, *live);
    ASSERT_NE(window, nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    const std::string name = paletteName + "-" + cases.at(index).name;
    const char* folder = std::getenv("SKIRO_LOOKS_DIR");
    if (folder) {
        window->grab().save(QString::fromStdString(std::string(folder) + "/" + name + "-min.png"));
    }

    // At the smallest size: inside its parent (a scrolling area's content only across), no two
    // side by side on top of each other, and every text with the room it asks for.
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(window) || widget->isWindow()) {
            continue;
        }
        const QWidget* parent = widget->parentWidget();
        const QRect room = parent->rect();
        const QRect at = widget->geometry();
        const bool scrolls =
            qobject_cast<QAbstractScrollArea*>(parent->parentWidget()) &&
            static_cast<QAbstractScrollArea*>(parent->parentWidget())->viewport() == parent;
        EXPECT_TRUE(at.left() >= 0 && at.right() <= room.right() &&
                    (scrolls || (at.top() >= 0 && at.bottom() <= room.bottom())))
            << name << ": " << widget->metaObject()->className() << " "
            << widget->objectName().toStdString() << " sticks out of its parent";
        for (QWidget* other : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (other != widget && other->isVisibleTo(window) && !other->isWindow() &&
                widget < other) {
                EXPECT_FALSE(overlap(at, other->geometry()))
                    << name << ": " << widget->metaObject()->className() << " and "
                    << other->metaObject()->className() << " overlap";
            }
        }
        if (auto* label = qobject_cast<QLabel*>(widget); label && !label->text().isEmpty()) {
            const QSize wanted = label->wordWrap() ? QSize(0, label->heightForWidth(label->width()))
                                                   : label->sizeHint();
            EXPECT_TRUE(wanted.width() <= label->width() && wanted.height() <= label->height())
                << name << ": \"" << label->text().toStdString() << "\" is cut";
        }
    }

    // Every text against what is drawn behind it, the whole content laid out at the window's
    // width.
    QWidget* content = window;
    for (QScrollArea* area : window->findChildren<QScrollArea*>()) {
        content = area->isVisibleTo(window) ? area->widget() : content;
    }
    const QImage picture = WindowCommands::pictureOf(*content, content->width());
    if (folder) {
        picture.save(QString::fromStdString(std::string(folder) + "/" + name + ".png"));
    }
    double faintest = 21;
    std::string faintestText;
    for (QLabel* label : content->findChildren<QLabel*>()) {
        if (!label->isVisibleTo(content) || label->text().isEmpty()) {
            continue;
        }
        const QColor behind =
            background(picture, QRect(label->mapTo(content, QPoint()), label->size()));
        const double ratio = contrast(label->palette().color(label->foregroundRole()), behind);
        EXPECT_GE(ratio, 4.5) << name << ": \"" << label->text().toStdString() << "\"";
        if (ratio < faintest) {
            faintest = ratio;
            faintestText = label->text().toStdString();
        }
    }
    if (folder) {
        std::cout << name << ": faintest " << faintest << ":1, \"" << faintestText << "\"\n";
    }
}

INSTANTIATE_TEST_SUITE_P(Windows, Looks,
                         ::testing::Combine(::testing::Values("light", "dark"),
                                            ::testing::Range<std::size_t>(0, 7)),
                         [](const auto& param) {
                             return std::get<0>(param.param) + "_" +
                                    cases.at(std::get<1>(param.param)).name;
                         });

} // namespace
} // namespace skiro
