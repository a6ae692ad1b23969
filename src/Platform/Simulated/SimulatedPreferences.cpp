#include "Platform/Simulated/SimulatedPreferences.hpp"

namespace platform::simulated {

bool SimulatedPreferences::synchronizeAnyApplication() {
    synchronizations_.fetch_add(1);
    if (synchronizeFails_.load()) {
        return false;
    }
    std::lock_guard lock(mutex_);
    cache_ = store_;
    return true;
}

std::optional<PreferenceValue> SimulatedPreferences::copyAnyApplicationValue(std::string_view key) {
    std::lock_guard lock(mutex_);
    if (!cache_) {
        cache_ = store_;
    }
    auto found = cache_->find(key);
    if (found == cache_->end()) {
        return std::nullopt;
    }
    return found->second;
}

std::optional<PreferenceValue> SimulatedPreferences::stored(std::string_view key) const {
    std::lock_guard lock(mutex_);
    auto found = store_.find(key);
    if (found == store_.end()) {
        return std::nullopt;
    }
    return found->second;
}

void SimulatedPreferences::store(const std::string& key, std::optional<PreferenceValue> value) {
    std::lock_guard lock(mutex_);
    if (value) {
        store_[key] = std::move(*value);
    } else {
        store_.erase(key);
    }
}

} // namespace platform::simulated
