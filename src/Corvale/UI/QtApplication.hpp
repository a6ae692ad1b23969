#pragma once

#include <QObject>

#include <functional>

// How the toolkit's application object meets the system it runs on.
namespace corvale {

// Where windows are drawn: by Apple's window server, always there for a logged-in user, or by
// a display server that a session names in its environment (X11, Wayland).
enum class WindowSystem { apple, displayServer };

constexpr WindowSystem thisWindowSystem() {
#if defined(__APPLE__)
    return WindowSystem::apple;
#else
    return WindowSystem::displayServer;
#endif
}

// Reads one environment variable; nullptr when unset.
using EnvironmentLookup = std::function<const char*(const char* name)>;

// Whether the application must ask for Qt's offscreen platform: only where a display server is
// the rule, the environment names none (DISPLAY, WAYLAND_DISPLAY) and no platform is asked for by
// name (QT_QPA_PLATFORM). Never on Apple, where only Qt's own platform shows the status item and
// runs the main run loop that the system's notifications and main-queue work need.
bool wantsOffscreen(WindowSystem system, const EnvironmentLookup& environment);

// Hands every link the system delivers as a file-open event to Commands::open. On macOS a link
// reaches the application as an Apple Event, also when it launches it, which Qt turns into such
// an event on the application object. Install on the application object; main thread.
class LinkEvents final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace corvale
