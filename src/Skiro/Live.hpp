#pragma once

#include "CorvaleCore/DispatchSource.hpp"
#include "CorvaleCore/Subscribers.hpp"
#include "Platform/Notifications.hpp"
#include "Platform/System.hpp"
#include "Skiro/Settings.hpp"
#include "Skiro/Tap/InputTap.hpp"
#include "SkiroCore/Scrolling.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skiro {

// Decides whether the scroll tap runs and says what state the application is in: waits for the
// Accessibility permission, stands aside for another user's session, feeds the settings to the
// tap, follows the system's scrolling setting, starts the read-back check when the directions
// change, and pauses or resumes. Main thread only; the blocks it schedules hold it weakly.
class Live : public std::enable_shared_from_this<Live> {
    struct Private {};

public:
    enum class State { waiting, running, paused, stopped };

    // `system`, `tap` and `settings` must outlive it.
    static std::shared_ptr<Live> make(platform::System& system, InputTap& tap, Settings& settings);
    // The application's one controller, over `appSystem()`, `InputTap::shared` and
    // `Settings::shared()`; made on first use and kept until the process ends.
    static Live& shared();

    Live(Private, platform::System& system, InputTap& tap, Settings& settings);
    Live(const Live&) = delete;
    Live& operator=(const Live&) = delete;
    // Removes its observers; the tap and the settings are left as they are.
    ~Live();

    // Called on the main thread whenever anything the menu or windows show may have changed.
    std::function<void()> onChange;

    // Registers the observers, wires the tap and the settings, asks for the permission and
    // settles the state. Once, at launch.
    void start();
    void setPaused(bool paused);
    // Starts the tap again after it gave up; nothing otherwise.
    void startAgain();

    State state() const;
    bool systemNatural() const { return systemNatural_; }
    // Set when scrolls were found turned back: who may be doing it (possibly nobody found).
    const std::optional<std::vector<std::string>>& turnedBackBy() const { return turnedBackBy_; }
    bool isWaiting() const { return isWaiting_; }
    // Another user's session is in front.
    bool away() const { return away_; }
    // The read-back check's verdict in words, for the diagnostics report.
    std::string checkSummary() const;

    // Told before `turnedBackBy` or `isWaiting` changes (the windows observe them).
    corvale::Subscription subscribeWillChange(std::function<void()> willChange) {
        return willChange_.add(std::move(willChange));
    }

private:
    // What the last read-back check was started for.
    struct LastCheck {
        std::optional<Directions> directions;
        bool paused = false;
        bool operator==(const LastCheck&) const = default;
    };
    struct Observer {
        platform::NotificationCenter* center;
        platform::NotificationCenter::Token token;
    };

    // `handle(Live&)` on the main queue whenever `name` is posted, while this object lives.
    void observe(platform::NotificationCenter& center, std::string_view name,
                 std::function<void(Live&)> handle);
    void permissionChanged();
    // Trusted, and an active tap can be made now.
    bool permitted();
    void startPolling();
    void startTaps();
    void checkIfChanged();
    void checked(bool turnedBack);
    void systemChanged();
    // A running recording receives the system's new setting as a note.
    void noteForRecording(bool natural);
    void changed();
    void setWaiting(bool waiting);
    void setTurnedBackBy(std::optional<std::vector<std::string>> names);

    platform::System& system_;
    InputTap& tap_;
    Settings& settings_;
    corvale::Subscribers<> willChange_;
    bool systemNatural_;
    std::optional<std::vector<std::string>> turnedBackBy_;
    std::optional<std::string> foundByCheck_;
    bool isWaiting_ = true;
    std::optional<LastCheck> lastCheck_;
    std::optional<corvale::DispatchSource> waiting_;
    std::vector<Observer> observers_;
    corvale::Subscription settingsSubscription_;
    bool away_ = false;
    bool started_ = false;
};

std::string_view toString(Live::State state);

// Sentences the menu and the windows share.
namespace Words {
// "Another app is turning scrolling back." / "<A> is turning scrolling back." /
// "Another app is turning scrolling back: A, B or C."
std::string turnedBack(const std::vector<std::string>& names);
} // namespace Words

} // namespace skiro
