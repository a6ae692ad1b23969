#include "Platform/Simulated/SimulatedRegistry.hpp"

#include <algorithm>

namespace platform::simulated {

SimulatedRegistry::SimulatedRegistry() {
    const std::pair<const char*, const char*> classes[] = {
        {"IORegistryEntry", "OSObject"},
        {"IOService", "IORegistryEntry"},
        {"IOPlatformExpertDevice", "IOService"},
        {"IOHIDDevice", "IOService"},
        {"IOHIDInterface", "IOService"},
        {"IOHIDEventService", "IOService"},
        {"IOHIDEventDriver", "IOHIDEventService"},
        {"AppleUserHIDEventService", "IOHIDEventService"},
        {"AppleMultitouchDevice", "IOService"},
        {"AppleMultitouchHIDEventDriver", "IOHIDEventService"},
        {"AppleMultitouchTrackpadHIDEventDriver", "AppleMultitouchHIDEventDriver"},
        {"AppleMultitouchMouseHIDEventDriver", "AppleMultitouchHIDEventDriver"},
    };
    for (const auto& [name, super] : classes) {
        superclass_[name] = super;
    }
    root_ = next_++;
    entries_[root_] = Entry{"IOPlatformExpertDevice", {}, 0, {}};
}

std::optional<RegistryEntry> SimulatedRegistry::service(std::uint64_t entryID) const {
    lookups_.fetch_add(1);
    std::lock_guard lock(mutex_);
    if (entries_.count(entryID) == 0) {
        return std::nullopt;
    }
    return RegistryEntry{entryID};
}

std::string SimulatedRegistry::className(RegistryEntry entry) const {
    std::lock_guard lock(mutex_);
    auto found = entries_.find(entry.handle);
    if (found == entries_.end()) {
        return {};
    }
    return found->second.className.substr(0, registry::classNameLimit);
}

bool SimulatedRegistry::conformsTo(RegistryEntry entry, std::string_view className) const {
    std::lock_guard lock(mutex_);
    auto found = entries_.find(entry.handle);
    if (found == entries_.end()) {
        return false;
    }
    std::string current = found->second.className;
    for (int depth = 0; depth < 64; ++depth) {
        if (current == className) {
            return true;
        }
        auto super = superclass_.find(current);
        if (super == superclass_.end()) {
            return false;
        }
        current = super->second;
    }
    return false;
}

std::optional<RegistryEntry> SimulatedRegistry::parent(RegistryEntry entry,
                                                       std::string_view plane) const {
    if (plane != registry::servicePlane) {
        return std::nullopt;
    }
    std::lock_guard lock(mutex_);
    auto found = entries_.find(entry.handle);
    if (found == entries_.end() || found->second.parent == 0) {
        return std::nullopt;
    }
    return RegistryEntry{found->second.parent};
}

std::optional<RegistryProperty> SimulatedRegistry::property(RegistryEntry entry,
                                                            std::string_view key) const {
    std::lock_guard lock(mutex_);
    auto found = entries_.find(entry.handle);
    if (found == entries_.end()) {
        return std::nullopt;
    }
    auto value = found->second.properties.find(key);
    if (value == found->second.properties.end()) {
        return std::nullopt;
    }
    return value->second;
}

std::optional<std::vector<RegistryEntry>> SimulatedRegistry::entries(std::string_view plane) const {
    if (walkFails_.load() || plane != registry::servicePlane) {
        return std::nullopt;
    }
    std::lock_guard lock(mutex_);
    std::vector<RegistryEntry> all;
    walk(root_, all);
    return all;
}

void SimulatedRegistry::walk(std::uint64_t id, std::vector<RegistryEntry>& into) const {
    into.push_back({id});
    for (std::uint64_t child : entries_.at(id).children) {
        walk(child, into);
    }
}

std::uint64_t SimulatedRegistry::add(NewEntry entry) {
    std::lock_guard lock(mutex_);
    std::uint64_t parent = entry.parent.value_or(root_);
    if (entries_.count(parent) == 0) {
        parent = root_;
    }
    std::uint64_t id = next_++;
    entries_[id] = Entry{std::move(entry.className), std::move(entry.properties), parent, {}};
    entries_[parent].children.push_back(id);
    return id;
}

void SimulatedRegistry::remove(std::uint64_t entryID) {
    std::lock_guard lock(mutex_);
    if (entryID == root_ || entries_.count(entryID) == 0) {
        return;
    }
    std::vector<std::uint64_t> doomed{entryID};
    for (std::size_t i = 0; i < doomed.size(); ++i) {
        for (std::uint64_t child : entries_[doomed[i]].children) {
            doomed.push_back(child);
        }
    }
    auto& siblings = entries_[entries_[entryID].parent].children;
    std::erase(siblings, entryID);
    for (std::uint64_t id : doomed) {
        entries_.erase(id);
    }
}

void SimulatedRegistry::defineClass(std::string className, std::string superclass) {
    std::lock_guard lock(mutex_);
    superclass_[std::move(className)] = std::move(superclass);
}

} // namespace platform::simulated
