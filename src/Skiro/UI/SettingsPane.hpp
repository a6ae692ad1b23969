#pragma once

#include "CorvaleCore/Subscribers.hpp"
#include "CorvaleCore/Text.hpp"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skiro {

// The panes of the settings window, in sidebar order.
enum class SettingsPane { general, scrolling, about };

// The pane's title, which is also its identifier.
constexpr std::string_view title(SettingsPane pane) {
    switch (pane) {
    case SettingsPane::general:
        return "General";
    case SettingsPane::scrolling:
        return "Scrolling";
    case SettingsPane::about:
        return "About";
    }
    return "General";
}

// The sidebar's symbol for the pane.
constexpr std::string_view icon(SettingsPane pane) {
    switch (pane) {
    case SettingsPane::general:
        return "gearshape";
    case SettingsPane::scrolling:
        return "arrow.up.arrow.down";
    case SettingsPane::about:
        return "info.circle";
    }
    return "gearshape";
}

// Every pane, in sidebar order (the argument only names the kind).
inline std::vector<SettingsPane> allPanes(SettingsPane = SettingsPane::general) {
    return {SettingsPane::general, SettingsPane::scrolling, SettingsPane::about};
}

// The panes' names as the settings command takes them, in sidebar order. Inline: the command
// line registers them without the user interface loaded.
inline std::vector<std::string> paneNames() {
    std::vector<std::string> names;
    for (SettingsPane pane : allPanes()) {
        names.push_back(corvale::asciiLowercased(title(pane)));
    }
    return names;
}

// The pane titled exactly `text`; none for any other text.
std::optional<SettingsPane> settingsPaneFromTitle(std::string_view text);

// The pane the settings window shows, shared by everyone who opens it; it outlives the window.
// Main thread only.
class SettingsRouter {
public:
    static SettingsRouter& shared();

    SettingsPane pane() const { return pane_; }
    // Tells the subscribers when the pane changes.
    void setPane(SettingsPane pane);
    corvale::Subscription subscribe(std::function<void(SettingsPane)> changed) {
        return changed_.add(std::move(changed));
    }

private:
    SettingsPane pane_ = SettingsPane::general;
    corvale::Subscribers<SettingsPane> changed_;
};

} // namespace skiro
