#pragma once

#include "Corvale/Panels.hpp"
#include "Corvale/UI/SettingsWindow.hpp"
#include "Corvale/Updates.hpp"
#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/Subscribers.hpp"
#include "Platform/LoginItem.hpp"
#include "Skiro/Live.hpp"
#include "Skiro/Settings.hpp"
#include "Skiro/UI/SettingsPane.hpp"

#include <functional>
#include <optional>
#include <string>

namespace skiro {

// The addresses the About pane opens: the project's own pages on its code host, from the
// repository the application's identity names.
struct Addresses {
    std::string license;
    std::string developer;
    std::string tip;

    static Addresses of(const corvale::AppIdentity& identity);
};

// The settings window's content: General, Scrolling and About, showing the router's pane.
class SettingsView : public corvale::SettingsWindow {
public:
    // What the panes work on; the application's shared ones unless a test hands in others.
    struct Parts {
        Settings& settings;
        std::function<Live&()> live;
        std::function<InputTap&()> tap;
        platform::LoginItem& loginItem;
        corvale::Panels& panels;
        corvale::Updates& updates;
        std::function<void(const std::string& address)> open;
    };

    explicit SettingsView(Parts parts, QWidget* parent = nullptr);

    SettingsPane shownPane() const;

    // The parts the settings window is built over (tests); none puts the shared ones back.
    static void useParts(std::function<Parts()> parts);
    // The window `WindowsUI::showSettings` made, if it has made one.
    static SettingsView* window();

private:
    // Made while the window itself is still being made, so it stands apart from it.
    static QWidget* makeDetail(Parts& parts, SettingsPane pane);

    std::optional<corvale::Subscription> routing_;
};

} // namespace skiro
