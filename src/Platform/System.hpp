#pragma once

#include "Platform/AppFramework.hpp"
#include "Platform/Clock.hpp"
#include "Platform/Event.hpp"
#include "Platform/EventTap.hpp"
#include "Platform/HIDEvent.hpp"
#include "Platform/HotKeys.hpp"
#include "Platform/KeyboardLayout.hpp"
#include "Platform/LoginItem.hpp"
#include "Platform/Notifications.hpp"
#include "Platform/Permissions.hpp"
#include "Platform/Preferences.hpp"
#include "Platform/Registry.hpp"
#include "Platform/RunLoop.hpp"
#include "Platform/RunningApplications.hpp"
#include "Platform/SystemFacts.hpp"
#include "Platform/SystemNames.hpp"

// Everything the product asks of the operating system, one interface per concern. Code above
// the platform takes a System& and never learns which backend answers.
namespace platform {

class System {
public:
    virtual ~System() = default;

    // This system's names for the settings, notifications and pages the product uses.
    virtual const SystemNames& names() const = 0;

    virtual EventTaps& eventTaps() = 0;
    virtual Events& events() = 0;
    virtual RunLoops& runLoops() = 0;
    virtual Symbols& symbols() = 0;
    virtual Registry& registry() = 0;
    virtual Permissions& permissions() = 0;
    virtual Preferences& preferences() = 0;
    virtual NotificationCenter& distributedNotifications() = 0;
    virtual Workspace& workspace() = 0;
    virtual Clock& clock() = 0;
    virtual AppFramework& appFramework() = 0;
    virtual RunningApplications& runningApplications() = 0;
    virtual SystemFacts& facts() = 0;
    virtual HotKeys& hotKeys() = 0;
    virtual KeyboardLayout& keyboardLayout() = 0;
    virtual LoginItem& loginItem() = 0;
};

} // namespace platform
