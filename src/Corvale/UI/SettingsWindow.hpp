#pragma once

#include "Corvale/UI/QtText.hpp"
#include "Corvale/UI/Symbols.hpp"

#include <QIcon>
#include <QString>
#include <QWidget>

#include <concepts>
#include <functional>
#include <string_view>
#include <vector>

class QListWidget;
class QStackedWidget;
class QHBoxLayout;

namespace corvale {

// What an application's pane list offers the settings window: every case in sidebar order, each
// with a title (also its identifier) and the name of its symbol.
template <class Pane>
concept SettingsPaneKind = requires(Pane pane) {
    { allPanes(pane) } -> std::convertible_to<std::vector<Pane>>;
    { title(pane) } -> std::convertible_to<std::string_view>;
    { icon(pane) } -> std::convertible_to<std::string_view>;
};

// A window of settings: a sidebar of panes beside the selected pane's detail view. Each detail
// is made the first time its pane is shown and kept, so what the user left in a pane stays.
class SettingsWindow : public QWidget {
public:
    struct PaneItem {
        QString title;
        QIcon icon;
    };
    using Detail = std::function<QWidget*(int index)>;

    // Shows `initial` first; no other detail is made before it is shown.
    SettingsWindow(std::vector<PaneItem> panes, Detail detail, int initial = 0,
                   int sidebarWidth = 180, QWidget* parent = nullptr);

    // The panes of an application's pane kind, with their symbols drawn.
    template <SettingsPaneKind Pane>
    static std::vector<PaneItem> items(Pane any);

    int pane() const;
    void setPane(int index);
    // The detail of a pane already shown, else nothing.
    QWidget* detail(int index) const;

    // Told when the user chooses another pane in the sidebar.
    std::function<void(int index)> onPaneChosen;

private:
    QListWidget* sidebar_;
    QStackedWidget* details_;
    std::vector<QWidget*> made_;
    Detail detail_;
};

// Fills `pane` with a frameless area that scrolls up and down when the window is too small for
// what it shows; answers the widget inside, to lay the pane's content out in.
QWidget* scrollingBody(QWidget& pane);

// A bar under a pane's detail, behind a hairline; its content is laid out left to right.
class SettingsFooter : public QWidget {
public:
    explicit SettingsFooter(QWidget* parent = nullptr);
    QHBoxLayout* content() const { return content_; }

private:
    QHBoxLayout* content_;
};

template <SettingsPaneKind Pane>
std::vector<SettingsWindow::PaneItem> SettingsWindow::items(Pane any) {
    std::vector<PaneItem> panes;
    for (Pane pane : allPanes(any)) {
        panes.push_back({qtText(title(pane)), Symbols::icon(icon(pane))});
    }
    return panes;
}

} // namespace corvale
