#pragma once

#include "Platform/Mac/MacAppFramework.hpp"
#include "Platform/Mac/MacClock.hpp"
#include "Platform/Mac/MacEvent.hpp"
#include "Platform/Mac/MacEventTaps.hpp"
#include "Platform/Mac/MacHIDEvent.hpp"
#include "Platform/Mac/MacHotKeys.hpp"
#include "Platform/Mac/MacKeyboardLayout.hpp"
#include "Platform/Mac/MacLoginItem.hpp"
#include "Platform/Mac/MacNotificationCenter.hpp"
#include "Platform/Mac/MacPermissions.hpp"
#include "Platform/Mac/MacPreferences.hpp"
#include "Platform/Mac/MacRegistry.hpp"
#include "Platform/Mac/MacRunLoop.hpp"
#include "Platform/Mac/MacRunningApplications.hpp"
#include "Platform/Mac/MacSystemFacts.hpp"
#include "Platform/Mac/MacWorkspace.hpp"
#include "Platform/System.hpp"

namespace platform::mac {

// The real system. One per process; it holds no state the system does not.
class MacSystem final : public System {
public:
    MacSystem() = default;
    MacSystem(const MacSystem&) = delete;
    MacSystem& operator=(const MacSystem&) = delete;

    EventTaps& eventTaps() override { return taps_; }
    Events& events() override { return events_; }
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
    LoginItem& loginItem() override { return loginItem_; }

private:
    MacEventTaps taps_;
    MacEvents events_;
    MacRunLoops runLoops_;
    MacSymbols symbols_;
    MacRegistry registry_;
    MacPermissions permissions_;
    MacPreferences preferences_;
    MacNotificationCenter distributed_{MacNotificationCenter::Kind::distributed};
    MacWorkspace workspace_;
    MacClock clock_;
    MacAppFramework appFramework_;
    MacRunningApplications applications_;
    MacSystemFacts facts_;
    MacHotKeys hotKeys_;
    MacKeyboardLayout keyboardLayout_;
    MacLoginItem loginItem_;
};

} // namespace platform::mac
