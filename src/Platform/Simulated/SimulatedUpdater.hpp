#pragma once

#include "Platform/Updater.hpp"

#include <optional>
#include <string>
#include <vector>

namespace platform::simulated {

// The update framework is not on this platform: this updater behaves as it does towards the
// application, over a feed that offers whatever version it is told to (nothing at first) and a
// user who acts when told to.
//
// A check, scheduled or asked for, dates the last check. A scheduled check that finds an update
// asks the delegate whether to show it (always shown when the delegate wants no gentle
// reminders); one held back waits for the user, and a later scheduled check offers it again. A
// check the user asks for shows what it finds (or that nothing was found) in the updater's own
// window; asked for while an update waits, it shows that update and tells the delegate the user
// came to it. Whatever is shown stays until the user is done with it (`finishSession`). No
// scheduled check runs while a window is shown, and no check can be asked for then.
class SimulatedUpdater final : public UpdaterController {
public:
    explicit SimulatedUpdater(UpdaterDelegate& delegate);

    void checkForUpdates() override;
    bool canCheckForUpdates() const override;
    std::optional<Date> lastUpdateCheckDate() const override { return lastCheck_; }
    bool automaticallyChecksForUpdates() const override { return checks_; }
    void setAutomaticallyChecksForUpdates(bool checks) override { checks_ = checks; }
    bool automaticallyDownloadsUpdates() const override { return downloads_; }
    void setAutomaticallyDownloadsUpdates(bool downloads) override { downloads_ = downloads; }

    // What the feed offers; none when the running version is the newest.
    void setAvailable(std::optional<std::string> version) { available_ = std::move(version); }
    // The updater's own schedule comes round, the application in immediate focus or not; no
    // check runs while automatic checks are off.
    void scheduledCheck(bool immediateFocus);
    // The user is done with what the updater shows: installed, skipped or closed.
    void finishSession();

    // The versions the updater showed in its own window, in order.
    const std::vector<std::string>& shown() const { return shown_; }
    // Whether a found update is held back for the application to announce.
    bool isHoldingBack() const { return state_ == State::waiting; }

private:
    enum class State { idle, waiting, showing };

    void show(const std::optional<std::string>& version);

    UpdaterDelegate& delegate_;
    State state_ = State::idle;
    std::optional<std::string> available_;
    std::optional<AppcastItem> pending_;
    std::optional<Date> lastCheck_;
    bool checks_ = true;
    bool downloads_ = false;
    std::vector<std::string> shown_;
};

} // namespace platform::simulated
