#pragma once

#include "Platform/Simulated/SimulatedAppFramework.hpp"
#include "Platform/Simulated/SimulatedApplication.hpp"
#include "Platform/Simulated/SimulatedClock.hpp"
#include "Platform/Simulated/SimulatedEvent.hpp"
#include "Platform/Simulated/SimulatedHotKeys.hpp"
#include "Platform/Simulated/SimulatedKeyboardLayout.hpp"
#include "Platform/Simulated/SimulatedNotifications.hpp"
#include "Platform/Simulated/SimulatedPermissions.hpp"
#include "Platform/Simulated/SimulatedPreferences.hpp"
#include "Platform/Simulated/SimulatedRegistry.hpp"
#include "Platform/Simulated/SimulatedRunLoop.hpp"
#include "Platform/Simulated/SimulatedRunningApplications.hpp"
#include "Platform/Simulated/SimulatedSymbols.hpp"
#include "Platform/Simulated/SimulatedSystemFacts.hpp"
#include "Platform/Simulated/SimulatedTaps.hpp"
#include "Platform/Simulated/VirtualDevice.hpp"
#include "Platform/Simulated/XdgLoginItem.hpp"
#include "Platform/System.hpp"

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

namespace platform::simulated {

// What became of one posted scroll.
struct PostResult {
    // As the system made it, before any tap.
    ScrollRecord made;
    // As the application under the pointer received it; nothing when a tap dropped it.
    std::optional<ScrollRecord> delivered;
};

// The windows of the process running on the simulation. When one of them is under the pointer,
// that process is the application under the pointer: a scroll that passed every tap is handed
// to it instead of the stand-in application. Both are called on the routing thread.
struct OwnWindows {
    std::function<bool(Point location)> covers;
    std::function<void(const ScrollRecord& scroll)> deliver;
};

// The whole simulated system. Everything handed out (taps, sources, devices, run loops) lives
// no longer than the system, and threads running its loops are stopped before it goes.
class SimulatedSystem final : public System {
public:
    struct Options {
        // The running application lets the clock follow real time; tests leave it still.
        bool clockFollowsRealTime = false;
    };

    // The system's own names: the simulation simulates macOS.
    static constexpr std::string_view naturalScrollingKey = macOSNames.naturalScrollingKey;
    static constexpr std::string_view naturalScrollingChanged = macOSNames.naturalScrollingChanged;
    static constexpr std::string_view accessibilityChanged = macOSNames.accessibilityChanged;
    static constexpr std::string_view screenUnlocked = macOSNames.screenUnlocked;
    // The process that posts device events.
    static constexpr std::int32_t windowServerProcess = 150;
    static constexpr std::string_view applicationName = "TextEdit";

    SimulatedSystem();
    explicit SimulatedSystem(Options options);
    ~SimulatedSystem() override;
    SimulatedSystem(const SimulatedSystem&) = delete;
    SimulatedSystem& operator=(const SimulatedSystem&) = delete;

    EventTaps& eventTaps() override { return taps_; }
    Events& events() override;
    RunLoops& runLoops() override { return runLoops_; }
    Symbols& symbols() override { return symbols_; }
    const SystemNames& names() const override { return macOSNames; }
    Registry& registry() override { return registry_; }
    Permissions& permissions() override { return permissions_; }
    Preferences& preferences() override { return preferences_; }
    NotificationCenter& distributedNotifications() override { return distributed_; }
    Workspace& workspace() override { return workspace_; }
    Clock& clock() override { return clock_; }
    AppFramework& appFramework() override { return appFramework_; }
    RunningApplications& runningApplications() override { return applications_; }
    SystemFacts& facts() override { return facts_; }
    HotKeys& hotKeys() override { return hotKeys_; }
    KeyboardLayout& keyboardLayout() override { return keyboardLayout_; }
    // The desktop session's own login item, in the user's real autostart folder.
    LoginItem& loginItem() override { return loginItem_; }

    // The parts, with their controls.
    SimulatedClock& simulatedClock() { return clock_; }
    SimulatedEventTaps& taps() { return taps_; }
    SimulatedRunLoops& simulatedRunLoops() { return runLoops_; }
    SimulatedSymbols& simulatedSymbols() { return symbols_; }
    SimulatedRegistry& simulatedRegistry() { return registry_; }
    SimulatedPermissions& simulatedPermissions() { return permissions_; }
    SimulatedPreferences& simulatedPreferences() { return preferences_; }
    SimulatedNotificationCenter& distributed() { return distributed_; }
    SimulatedWorkspace& simulatedWorkspace() { return workspace_; }
    SimulatedRunningApplications& applications() { return applications_; }
    SimulatedAppFramework& simulatedAppFramework() { return appFramework_; }
    SimulatedSystemFacts& simulatedFacts() { return facts_; }
    SimulatedHotKeys& simulatedHotKeys() { return hotKeys_; }
    SimulatedKeyboardLayout& simulatedKeyboardLayout() { return keyboardLayout_; }
    // The application under the pointer.
    SimulatedApplication& application() { return application_; }

    // Devices. Attaching a registered device adds its entries to the registry (a parent when
    // the description names one, and the service whose ID is the sender).
    VirtualDevice& attach(DeviceDescription description);
    // Unplugs: the registry forgets the device; the object stays usable.
    void detach(const VirtualDevice& device);

    // Scrolls. makeScroll builds the event a device's scroll becomes: the system's direction
    // applied to the deltas (natural scrolling negates them), the HID event carrying the
    // movement as the device made it. Phases are kept only for gesture devices.
    SimulatedEvent makeScroll(const VirtualDevice& device, const Scroll& scroll);
    SimulatedEvent makeScroll(const SoftwareScroll& scroll);
    // Passes an event through the taps to the application under the pointer; returns when it
    // arrived there (or was dropped).
    PostResult route(SimulatedEvent& event);
    PostResult post(const VirtualDevice& device, const Scroll& scroll);
    PostResult post(const SoftwareScroll& scroll);
    std::vector<PostResult> post(const VirtualDevice& device, const std::vector<Scroll>& scrolls);

    void setOwnWindows(OwnWindows windows);

    void setPointer(Point location);
    Point pointer() const;
    // Event timestamps in nanoseconds instead of machine ticks.
    void setTimestampsInNanoseconds(bool nanoseconds) {
        timestampsInNanoseconds_.store(nanoseconds);
    }
    void setFieldWriteRules(const FieldWriteRules& rules);

    // The system's natural-scrolling setting, as System Settings changes it: written to the
    // any-application domain, then announced with `naturalScrollingChanged`.
    void setNaturalScrolling(bool natural);
    // The setting the system applies now: a missing or non-boolean value counts as natural.
    bool naturalScrolling() const;

    // The user grants or takes away the accessibility trust. Taking it away switches this
    // process's active taps off by user input; any change is announced with
    // `accessibilityChanged`.
    void setAccessibilityTrusted(bool trusted);

    // Session and power, announced as the system does.
    void sleepAndWake();
    void resignActiveSession();
    void becomeActiveSession();
    void unlockScreen();
    void postDistributed(const std::string& name) { distributed_.post(name); }

private:
    class SyntheticEvents;

    SimulatedEvent blankScroll();

    SimulatedClock clock_;
    SimulatedPermissions permissions_;
    SimulatedPreferences preferences_;
    SimulatedNotificationCenter distributed_;
    SimulatedWorkspace workspace_;
    SimulatedRunningApplications applications_;
    SimulatedSymbols symbols_;
    SimulatedAppFramework appFramework_;
    SimulatedSystemFacts facts_;
    SimulatedHotKeys hotKeys_;
    SimulatedKeyboardLayout keyboardLayout_;
    XdgLoginItem loginItem_;
    SimulatedRegistry registry_;
    SimulatedRunLoops runLoops_;
    SimulatedEventTaps taps_;
    SimulatedApplication application_;
    std::unique_ptr<SyntheticEvents> events_;

    mutable std::mutex mutex_;
    std::deque<std::unique_ptr<VirtualDevice>> devices_;
    std::uint64_t nextUnregisteredSender_ = 0x7000000001;
    Point pointer_{640, 400};
    std::shared_ptr<const OwnWindows> ownWindows_;
    FieldWriteRules rules_;
    std::atomic<std::uint64_t> serial_{0};
    std::atomic<bool> timestampsInNanoseconds_{false};
};

} // namespace platform::simulated
