#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Notifications by name: the distributed ones other processes post, and the workspace's.
namespace platform {

class NotificationCenter {
public:
    using Observer = std::function<void(const std::string& name)>;
    using Token = std::uint64_t;

    virtual ~NotificationCenter() = default;

    // Observers are called on a thread of the system's choosing (the simulation: the thread that
    // posts); callers that need their own thread hop there.
    virtual Token addObserver(std::string name, Observer observer) = 0;
    virtual void removeObserver(Token token) = 0;
};

namespace workspace {
inline constexpr std::string_view willSleep = "NSWorkspaceWillSleepNotification";
inline constexpr std::string_view didWake = "NSWorkspaceDidWakeNotification";
inline constexpr std::string_view sessionDidResignActive =
    "NSWorkspaceSessionDidResignActiveNotification";
inline constexpr std::string_view sessionDidBecomeActive =
    "NSWorkspaceSessionDidBecomeActiveNotification";
} // namespace workspace

class Workspace {
public:
    virtual ~Workspace() = default;

    // Sleep, wake and fast user switching, named as in `workspace`.
    virtual NotificationCenter& notifications() = 0;
    // Opens a URL with whatever handles it; false when nothing could.
    virtual bool openURL(std::string_view url) = 0;
};

} // namespace platform
