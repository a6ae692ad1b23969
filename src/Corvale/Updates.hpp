#pragma once

#include "CorvaleCore/Subscribers.hpp"
#include "Platform/Updater.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace corvale {

// Whether the application updates itself at all, the updater's settings and actions for the
// menu, the about pane and the command line, and gentle reminders: an update a scheduled check
// found while the application was not in immediate focus is only noted in `waiting` (the menu
// shows it) until the user comes to it. A build without the update key never starts an
// updater. Main thread only.
class Updates : public platform::UpdaterDelegate {
public:
    using Date = platform::UpdaterController::Date;

    // The answer wherever updates are asked for in a build without them.
    static constexpr const char* notConfiguredMessage = "This build doesn't check for updates.";

    // Updaters come from `factory`; the shared instance's from the one the process entry hands
    // in with `setFactory` (none until then, so nothing starts).
    explicit Updates(platform::UpdaterFactory factory = {});
    Updates(const Updates&) = delete;
    Updates& operator=(const Updates&) = delete;

    static Updates& shared();

    // Before `start()`.
    void setFactory(platform::UpdaterFactory factory) { factory_ = std::move(factory); }

    // The main bundle has a non-empty update key ("SUPublicEDKey").
    static bool isConfigured();

    // Starts the updater at launch, once; nothing in a build that is not configured.
    void start();
    // Brings the application to the front, then has the updater check (without one, only the
    // former).
    void checkNow();

    bool canCheck() const;
    std::optional<Date> lastChecked() const;
    bool checksAutomatically() const;
    void setChecksAutomatically(bool checks);
    bool installsAutomatically() const;
    void setInstallsAutomatically(bool installs);

    // The version of an update a scheduled check found and holds back for the user.
    const std::optional<std::string>& waiting() const { return waiting_; }
    // Called after `waiting` changes.
    void setOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

    // What the settings and the menu show of the updates.
    struct Shown {
        bool checksAutomatically = false;
        bool installsAutomatically = false;
        std::optional<Date> lastChecked;
        std::optional<std::string> waiting;
        bool operator==(const Shown&) const = default;
    };
    Shown shown() const;
    // Told after anything these settings show may have changed, with what they show now.
    Subscription subscribe(std::function<void(const Shown& shown)> changed) {
        return changed_.add(std::move(changed));
    }
    // How the application comes to the front; set by the user interface.
    void setActivate(std::function<void()> activate) { activate_ = std::move(activate); }

    // The running updater; none before `start()` made one.
    platform::UpdaterController* controller() const { return controller_.get(); }

    bool supportsGentleScheduledUpdateReminders() const override { return true; }
    bool standardUserDriverShouldHandleShowingScheduledUpdate(const platform::AppcastItem& update,
                                                              bool immediateFocus) override;
    void standardUserDriverWillHandleShowingUpdate(bool handleShowingUpdate,
                                                   const platform::AppcastItem& update,
                                                   const platform::UserUpdateState& state) override;
    void standardUserDriverDidReceiveUserAttention(const platform::AppcastItem& update) override;
    void standardUserDriverWillFinishUpdateSession() override;

private:
    void activate();
    void setWaiting(std::optional<std::string> version);

    platform::UpdaterFactory factory_;
    std::unique_ptr<platform::UpdaterController> controller_;
    std::optional<std::string> waiting_;
    std::function<void()> onChange_;
    std::function<void()> activate_;
    Subscribers<const Shown&> changed_;
};

} // namespace corvale
