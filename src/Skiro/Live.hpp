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
public:
    enum class State { waiting, running, paused, stopped };

    // What the menu and the windows show of it, as it is once a change has been made.
    struct Now {
        State state = State::waiting;
        bool systemNatural = true;
        // Set when scrolls were found turned back: who may be doing it (possibly nobody found).
        std::optional<std::vector<std::string>> turnedBackBy;
        bool waiting = true;
        // Another user's session is in front.
        bool away = false;
        bool operator==(const Now&) const = default;
    };

    // `system`, `tap` and `settings` must outlive it.
    static std::shared_ptr<Live> make(platform::System& system, InputTap& tap, Settings& settings);
    // The application's controller, as the process entry made it (`appParts()`).
    static Live& shared();

    Live(const Live&) = delete;
    Live& operator=(const Live&) = delete;
    // Removes its observers; the tap and the settings are left as they are.
    ~Live();

    // Told on the main thread after anything the menu or the windows show may have changed,
    // with what it is now.
    corvale::Subscription subscribe(std::function<void(const Now& now)> changed) {
        return changed_.add(std::move(changed));
    }

    // Registers the observers, wires the tap and the settings, asks for the permission and
    // settles the state. Once, at launch.
    void start();
    void setPaused(bool paused);
    // Starts the tap again after it gave up; nothing otherwise.
    void startAgain();

    Now now() const;
    State state() const;
    bool systemNatural() const { return systemNatural_; }
    const std::optional<std::vector<std::string>>& turnedBackBy() const { return turnedBackBy_; }
    bool isWaiting() const { return isWaiting_; }
    bool away() const { return away_; }
    // The read-back check's verdict in words, for the diagnostics report.
    std::string checkSummary() const;

protected:
    Live(platform::System& system, InputTap& tap, Settings& settings);

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
    // Tells the subscribers; called once the change is made.
    void changed();

    platform::System& system_;
    InputTap& tap_;
    Settings& settings_;
    corvale::Subscribers<const Now&> changed_;
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
