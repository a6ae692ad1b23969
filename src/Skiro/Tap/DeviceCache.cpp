#include "Skiro/Tap/DeviceCache.hpp"

namespace skiro {

std::optional<Device> DeviceCache::known(std::uint64_t sender) const {
    if (auto found = devices_.find(sender); found != devices_.end()) {
        return found->second;
    }
    return std::nullopt;
}

bool DeviceCache::shouldLookUp(std::uint64_t sender, std::uint64_t now) {
    lastAsked_ = now;
    // Unsigned: a refusal noted later than `now` counts as long ago.
    if (auto unknown = unknownSince_.find(sender);
        unknown != unknownSince_.end() && now - unknown->second < unknownBackOff) {
        return false;
    }
    return lookingUp_.insert(sender).second;
}

bool DeviceCache::learned(std::uint64_t sender, std::optional<Device> kind) {
    lookingUp_.erase(sender);
    if (kind) {
        devices_[sender] = *kind;
        unknownSince_.erase(sender);
        return false;
    }
    const bool first = !unknownSince_.contains(sender);
    unknownSince_[sender] = lastAsked_;
    return first;
}

void DeviceCache::merge(const std::unordered_map<std::uint64_t, Device>& devices) {
    for (const auto& [sender, device] : devices) {
        devices_.try_emplace(sender, device);
    }
}

} // namespace skiro
