#include "Skiro/Live.hpp"

#include "CorvaleCore/MainHop.hpp"
#include "CorvaleCore/SharedOnly.hpp"
#include "Skiro/AppParts.hpp"
#include "Skiro/Tap/Accessibility.hpp"
#include "Skiro/Tap/Logs.hpp"
#include "Skiro/Tap/OtherTaps.hpp"
#include "Skiro/Tap/SystemScrolling.hpp"
#include "Skiro/TimeOfDay.hpp"
#include "SkiroEngine/Logs.hpp"

#include <chrono>
#include <utility>

namespace skiro {

namespace {

using namespace std::chrono_literals;

// While the permission is missing it is asked for this often.
constexpr auto pollInterval = 1s;
constexpr auto pollLeeway = 100ms;
// The permission list may settle only a moment after it is announced: a second look.
constexpr auto secondLook = 500ms;

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += text.empty() ? name : ", " + name;
    }
    return text;
}

} // namespace

std::shared_ptr<Live> Live::make(platform::System& system, InputTap& tap, Settings& settings) {
    return corvale::makeShared<Live>(system, tap, settings);
}

Live& Live::shared() {
    return appParts().live;
}

Live::Live(platform::System& system, InputTap& tap, Settings& settings)
    : system_(system), tap_(tap), settings_(settings),
      systemNatural_(SystemScrolling::natural(system)) {}

Live::~Live() {
    for (const Observer& observer : observers_) {
        observer.center->removeObserver(observer.token);
    }
}

void Live::observe(platform::NotificationCenter& center, std::string_view name,
                   std::function<void(Live&)> handle) {
    // Called on the posting thread: only the hop to the main queue happens there.
    platform::NotificationCenter::Token token = center.addObserver(
        std::string(name), [weak = weak_from_this(), handle = std::move(handle)](
                               const std::string&) { corvale::onMain(weak, handle); });
    observers_.push_back({&center, token});
}

void Live::start() {
    if (started_) {
        return;
    }
    started_ = true;
    std::weak_ptr<Live> weak = weak_from_this();
    platform::NotificationCenter& distributed = system_.distributedNotifications();
    platform::NotificationCenter& workspace = system_.workspace().notifications();

    observe(distributed, system_.names().naturalScrollingChanged,
            [](Live& live) { live.systemChanged(); });
    observe(distributed, system_.names().accessibilityChanged, [](Live& live) {
        live.permissionChanged();
        corvale::DispatchQueue::main().asyncAfter(
            secondLook,
            corvale::weakly(live.weak_from_this(), [](Live& again) { again.permissionChanged(); }));
    });
    observe(workspace, platform::workspace::didWake, [](Live& live) {
        logs::tap()("Woke from sleep.");
        live.systemChanged();
        live.permissionChanged();
        live.tap_.ensureEnabled();
    });
    observe(distributed, system_.names().screenUnlocked,
            [](Live& live) { live.tap_.ensureEnabled(); });
    observe(workspace, platform::workspace::sessionDidResignActive, [](Live& live) {
        logs::tap()("Another user's session is active: standing aside.");
        live.away_ = true;
        live.tap_.stop(false);
        live.changed();
    });
    observe(workspace, platform::workspace::sessionDidBecomeActive, [](Live& live) {
        logs::tap()("This session is active again.");
        live.away_ = false;
        live.permissionChanged();
    });

    tap_.setOnTrouble(corvale::weakly(weak, [](Live& live, InputTap::Trouble trouble) {
        if (trouble == InputTap::Trouble::permissionGone) {
            live.permissionChanged();
        } else {
            live.changed();
        }
    }));

    settingsSubscription_ =
        settings_.subscribe(corvale::weakly(weak, [](Live& live, const Config& config) {
            live.tap_.setSettings(config.turnerSettings());
            corvale::onMain(live.weak_from_this(), [](Live& later) {
                later.checkIfChanged();
                later.changed();
            });
        }));

    tap_.readBack().setOnCheck(
        corvale::weakly(weak, [](Live& live, bool turnedBack) { live.checked(turnedBack); }));

    platform::Permissions& permissions = system_.permissions();
    if (!permissions.isProcessTrusted()) {
        // The system shows its own request; the poll notices the grant.
        permissions.isProcessTrustedWithOptions(true);
    }
    permissionChanged();
}

bool Live::permitted() {
    return system_.permissions().isProcessTrusted() && Accessibility::canTap(system_.eventTaps());
}

void Live::permissionChanged() {
    if (!away_ && !tap_.gaveUp()) {
        if (permitted()) {
            waiting_.reset();
            if (!tap_.hasTap()) {
                startTaps();
            }
        } else {
            if (tap_.hasTap()) {
                logs::general()("Accessibility was taken away. Scrolling is the system's.");
                tap_.stop(false);
            }
            startPolling();
        }
    }
    isWaiting_ = !tap_.hasTap();
    changed();
}

void Live::startPolling() {
    if (waiting_) {
        return;
    }
    waiting_ = corvale::DispatchSource::repeatingTimer(
        corvale::DispatchQueue::main(), pollInterval, pollInterval, pollLeeway,
        corvale::weakly(weak_from_this(), [](Live& live) {
            if (live.permitted()) {
                live.permissionChanged();
            }
        }));
}

void Live::startTaps() {
    tap_.setSettings(settings_.config().turnerSettings());
    tap_.start(); // a failed start leaves the state waiting
    lastCheck_.reset();
    checkIfChanged();
}

void Live::startAgain() {
    if (!tap_.gaveUp()) {
        return;
    }
    logs::general()("Started again.");
    startTaps();
    if (!tap_.hasTap()) {
        // Back to waiting, and waiting means the poll runs.
        startPolling();
    }
    isWaiting_ = !tap_.hasTap();
    changed();
}

void Live::checkIfChanged() {
    const Config& config = settings_.config();
    if (tap_.hasTap() && !config.paused && config.directions) {
        const LastCheck now{config.directions, false};
        if (lastCheck_ == now) {
            return;
        }
        lastCheck_ = now;
        foundByCheck_.reset();
        tap_.readBack().start();
        return;
    }
    // The next run, resume or new directions check again.
    lastCheck_.reset();
}

void Live::checked(bool turnedBack) {
    if (turnedBack) {
        std::vector<std::string> names =
            OtherTaps::scrollChangers(system_.eventTaps(), system_.runningApplications());
        turnedBackBy_ = names;
        foundByCheck_ = "no: " + Words::turnedBack(names);
        logs::general().error([&] {
            return "Scrolls come out turned back after Skiro. Apps that can change scrolling: " +
                   (names.empty() ? std::string("none found") : joined(names)) + ".";
        });
    } else {
        if (turnedBackBy_) {
            logs::general()("Scrolls arrive as Skiro sends them again.");
        }
        turnedBackBy_.reset();
        foundByCheck_ = "yes, checked " + shortTimeOfDay(std::chrono::system_clock::now());
    }
    changed();
}

void Live::systemChanged() {
    const bool natural = SystemScrolling::natural(system_);
    if (natural == systemNatural_) {
        return;
    }
    systemNatural_ = natural;
    logs::general()([natural] {
        return std::string("Natural scrolling is ") + (natural ? "on" : "off") +
               " in System Settings.";
    });
    noteForRecording(natural);
    changed();
}

void Live::noteForRecording(bool natural) {
    tap_.recorder().note(corvale::json::Json{{"kind", "system"}, {"natural", natural}});
}

void Live::setPaused(bool paused) {
    if (settings_.config().paused == paused) {
        return;
    }
    // The tap learns of it through the subscription, which also checks again on resume.
    settings_.update([paused](Config& config) { config.paused = paused; });
    logs::general()([paused] { return std::string(paused ? "Paused." : "Resumed."); });
}

Live::State Live::state() const {
    if (tap_.gaveUp()) {
        return State::stopped;
    }
    if (!tap_.hasTap() && !away_) {
        return State::waiting;
    }
    return settings_.config().paused ? State::paused : State::running;
}

std::string Live::checkSummary() const {
    if (foundByCheck_) {
        return *foundByCheck_;
    }
    const InputTap::Stats stats = tap_.stats();
    if (!stats.checking) {
        return "not checked yet (it runs after a start or a change, with directions set)";
    }
    return "not sure yet: " + std::to_string(stats.checkAsSent) + " arrived as sent, " +
           std::to_string(stats.checkTurnedBack) + " turned back";
}

Live::Now Live::now() const {
    return {.state = state(),
            .systemNatural = systemNatural_,
            .turnedBackBy = turnedBackBy_,
            .waiting = isWaiting_,
            .away = away_};
}

void Live::changed() {
    changed_.notify(now());
}

std::string_view toString(Live::State state) {
    switch (state) {
    case Live::State::waiting:
        return "waiting";
    case Live::State::running:
        return "running";
    case Live::State::paused:
        return "paused";
    case Live::State::stopped:
        return "stopped";
    }
    return "waiting";
}

namespace Words {

std::string turnedBack(const std::vector<std::string>& names) {
    if (names.empty()) {
        return "Another app is turning scrolling back.";
    }
    if (names.size() == 1) {
        return names.front() + " is turning scrolling back.";
    }
    std::vector<std::string> allButLast(names.begin(), names.end() - 1);
    return "Another app is turning scrolling back: " + joined(allButLast) + " or " + names.back() +
           ".";
}

} // namespace Words

} // namespace skiro
