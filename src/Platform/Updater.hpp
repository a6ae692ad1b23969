#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>

// The update framework as the application meets it: a controller that runs an updater (it
// checks on its own schedule, downloads, installs and shows its own windows) and a delegate the
// updater asks and tells about showing what it found. All of it on the main thread.
namespace platform {

// An update in the feed.
struct AppcastItem {
    // The version as the user sees it.
    std::string displayVersionString;

    bool operator==(const AppcastItem&) const = default;
};

// How the update about to be shown came about.
struct UserUpdateState {
    // The user asked for the check.
    bool userInitiated = false;

    bool operator==(const UserUpdateState&) const = default;
};

// The updater's delegate and its user driver's delegate.
class UpdaterDelegate {
public:
    virtual ~UpdaterDelegate() = default;

    // Whether the application may hold back scheduled updates and remind the user gently.
    virtual bool supportsGentleScheduledUpdateReminders() const = 0;
    // Asked for an update a scheduled check found: true lets the updater show it at once.
    virtual bool standardUserDriverShouldHandleShowingScheduledUpdate(const AppcastItem& update,
                                                                      bool immediateFocus) = 0;
    // Told before an update is shown (`handleShowingUpdate`: by the updater) or held back for
    // the application to announce.
    virtual void standardUserDriverWillHandleShowingUpdate(bool handleShowingUpdate,
                                                           const AppcastItem& update,
                                                           const UserUpdateState& state) = 0;
    // The user came to an update that was held back.
    virtual void standardUserDriverDidReceiveUserAttention(const AppcastItem& update) = 0;
    // The update session ends (installed, skipped, dismissed, or nothing was found).
    virtual void standardUserDriverWillFinishUpdateSession() = 0;
};

// A started updater. The updater keeps its settings and its last check date itself.
class UpdaterController {
public:
    using Date = std::chrono::system_clock::time_point;

    virtual ~UpdaterController() = default;

    // A check the user asked for; the updater shows its own windows.
    virtual void checkForUpdates() = 0;
    // False while a check or an update session is under way.
    virtual bool canCheckForUpdates() const = 0;
    // None before the first check.
    virtual std::optional<Date> lastUpdateCheckDate() const = 0;
    virtual bool automaticallyChecksForUpdates() const = 0;
    virtual void setAutomaticallyChecksForUpdates(bool checks) = 0;
    virtual bool automaticallyDownloadsUpdates() const = 0;
    virtual void setAutomaticallyDownloadsUpdates(bool downloads) = 0;
};

// Makes and starts an updater that reports to `delegate`; none when there is no updater to be
// had. The delegate outlives what it makes.
using UpdaterFactory = std::function<std::unique_ptr<UpdaterController>(UpdaterDelegate& delegate)>;

} // namespace platform
