#pragma once

#include <string_view>

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

} // namespace skiro
