#pragma once

#include "Platform/AppFramework.hpp"
#include "Platform/HIDEvent.hpp"
#include "Platform/Notifications.hpp"
#include "Platform/Permissions.hpp"
#include "Platform/Preferences.hpp"
#include "Platform/RunningApplications.hpp"
#include "Platform/SystemFacts.hpp"

#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// The smaller parts of the simulated system: permissions, preferences, notifications, the
// workspace, running applications, the symbol table, the application framework, machine facts.
namespace platform::simulated {

class SimulatedPermissions final : public Permissions {
public:
    bool isProcessTrusted() const override { return trusted_.load(); }
    bool isProcessTrustedWithOptions(bool prompt) override;
    bool preflightListenEventAccess() const override { return listen_.load(); }
    bool preflightPostEventAccess() const override { return post_.load(); }

    // Set through SimulatedSystem::setAccessibilityTrusted, which also does what the system
    // does when the trust changes.
    void setTrusted(bool trusted) { trusted_.store(trusted); }
    void setListenAccess(bool allowed) { listen_.store(allowed); }
    void setPostAccess(bool allowed) { post_.store(allowed); }
    // How often the system's own request for the trust was shown.
    int prompts() const { return prompts_.load(); }

private:
    std::atomic<bool> trusted_{true};
    std::atomic<bool> listen_{true};
    std::atomic<bool> post_{true};
    std::atomic<int> prompts_{0};
};

// Observers are called on the posting thread, in the order they were added, outside any lock.
class SimulatedNotificationCenter final : public NotificationCenter {
public:
    Token addObserver(std::string name, Observer observer) override;
    void removeObserver(Token token) override;

    void post(const std::string& name);
    std::size_t observerCount(const std::string& name) const;

private:
    struct Registration {
        Token token;
        std::string name;
        std::shared_ptr<Observer> observer;
    };
    mutable std::mutex mutex_;
    std::vector<Registration> registrations_;
    Token next_ = 1;
};

// The any-application domain. The system's settings write to the store; this process reads a
// cache of it that synchronizing refreshes (the first read loads it).
class SimulatedPreferences final : public Preferences {
public:
    bool synchronizeAnyApplication() override;
    std::optional<PreferenceValue> copyAnyApplicationValue(std::string_view key) override;

    // What the system holds now, regardless of this process's cache.
    std::optional<PreferenceValue> stored(std::string_view key) const;
    void store(const std::string& key, std::optional<PreferenceValue> value);
    void setSynchronizeFails(bool fails) { synchronizeFails_.store(fails); }
    int synchronizations() const { return synchronizations_.load(); }

private:
    mutable std::mutex mutex_;
    std::map<std::string, PreferenceValue, std::less<>> store_;
    std::optional<std::map<std::string, PreferenceValue, std::less<>>> cache_;
    std::atomic<bool> synchronizeFails_{false};
    std::atomic<int> synchronizations_{0};
};

class SimulatedWorkspace final : public Workspace {
public:
    NotificationCenter& notifications() override { return center_; }
    bool openURL(std::string_view url) override;

    SimulatedNotificationCenter& center() { return center_; }
    std::vector<std::string> openedURLs() const;

private:
    SimulatedNotificationCenter center_;
    mutable std::mutex mutex_;
    std::vector<std::string> opened_;
};

class SimulatedRunningApplications final : public RunningApplications {
public:
    SimulatedRunningApplications();

    std::int32_t currentProcessIdentifier() const override { return self_; }
    std::optional<std::string> localizedName(std::int32_t processIdentifier) const override;

    // A process of another program: an application with a name, or a background process
    // without one. Returns its process identifier.
    std::int32_t launch(std::optional<std::string> name);
    void quit(std::int32_t processIdentifier);

private:
    const std::int32_t self_;
    mutable std::mutex mutex_;
    std::map<std::int32_t, std::optional<std::string>> processes_;
    std::int32_t next_ = 400;
};

// The four HID functions, each of which can be made missing, and the release of a copied HID
// event.
class SimulatedSymbols final : public Symbols {
public:
    Address lookup(std::string_view name) const override;
    // Only the four HID function names can be made missing; other names are never provided.
    void setMissing(std::string_view name, bool missing);

private:
    std::atomic<bool> missing_[5] = {false, false, false, false, false};
};

class SimulatedAppFramework final : public AppFramework {
public:
    std::optional<AppScrollEvent> scrollEvent(const Event& event) const override;
    // When unavailable, no event of the framework can be made from a Quartz event.
    void setAvailable(bool available) { available_.store(available); }

private:
    std::atomic<bool> available_{true};
};

// The machine's facts are the real host's unless a test sets them: the distribution's name and
// version with the kernel's release as the build, the machine's product name ("?" when the
// firmware gives none) and the processor architecture, such as x86_64. No display accommodation
// is on until a test turns one on.
class SimulatedSystemFacts final : public SystemFacts {
public:
    SimulatedSystemFacts();

    std::string operatingSystemVersionString() const override;
    std::string systemName() const override;
    std::string modelIdentifier() const override;
    std::string processorKind() const override;
    DisplayAccommodations displayAccommodations() const override;

    void set(std::string version, std::string model, std::string processor);
    void setSystemName(std::string name);
    void setDisplayAccommodations(DisplayAccommodations accommodations);

private:
    mutable std::mutex mutex_;
    std::string version_;
    std::string name_;
    std::string model_;
    std::string processor_;
    DisplayAccommodations accommodations_;
};

} // namespace platform::simulated
