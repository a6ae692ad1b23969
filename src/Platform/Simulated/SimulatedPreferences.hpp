#pragma once

#include "Platform/Preferences.hpp"

#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace platform::simulated {

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

} // namespace platform::simulated
