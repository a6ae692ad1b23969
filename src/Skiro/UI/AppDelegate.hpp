#pragma once

#include "CorvaleCore/Subscribers.hpp"
#include "Skiro/AppParts.hpp"
#include "Skiro/UI/StatusMenu.hpp"

#include <optional>

namespace skiro {

// The application once launching has finished, until it terminates: brings the parts the entry
// made up in their order and takes them down. Main thread only; lives as long as the
// application object.
class AppDelegate {
public:
    explicit AppDelegate(const AppParts& parts) : parts_(parts) {}
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    void applicationDidFinishLaunching();
    void applicationWillTerminate();

private:
    const AppParts& parts_;
    std::optional<StatusMenu> statusMenu_;
    // Updates the menu after the live controller changes.
    std::optional<corvale::Subscription> liveChanges_;
    // Forwards the detailed-logging setting to the log for as long as the application runs.
    std::optional<corvale::Subscription> logging_;
};

} // namespace skiro
