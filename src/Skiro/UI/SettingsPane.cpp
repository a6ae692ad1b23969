#include "Skiro/UI/SettingsPane.hpp"

namespace skiro {

std::optional<SettingsPane> settingsPaneFromTitle(std::string_view text) {
    for (SettingsPane pane : allPanes()) {
        if (title(pane) == text) {
            return pane;
        }
    }
    return std::nullopt;
}

SettingsRouter& SettingsRouter::shared() {
    static auto* router = new SettingsRouter();
    return *router;
}

void SettingsRouter::setPane(SettingsPane pane) {
    if (pane == pane_) {
        return;
    }
    pane_ = pane;
    changed_.notify(pane);
}

} // namespace skiro
