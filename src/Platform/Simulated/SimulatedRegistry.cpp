#include "Platform/Simulated/SimulatedRegistry.hpp"

#include <algorithm>
#include <utility>

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

// The system's iterator over the tree: it goes over the entries as they were when it began, and
// a change to the registry on the way makes it invalid and ends it.
class SimulatedRegistry::Walk final : public RegistryWalk {
public:
    Walk(const SimulatedRegistry& registry, std::string_view key) : registry_(registry), key_(key) {
        restart();
    }

    std::optional<RegistryEntry> next() override {
        for (;;) {
            std::function<void()> change;
            std::optional<RegistryEntry> found;
            {
                std::lock_guard lock(registry_.mutex_);
                if (registry_.generation_ != generation_ || at_ == order_.size()) {
                    return std::nullopt;
                }
                const RegistryEntry entry = order_[at_++];
                const Entry& held = registry_.entries_.at(entry.handle);
                if (held.properties.find(key_) != held.properties.end()) {
                    found = entry;
                }
                if (registry_.change_ && at_ == registry_.changeAfter_) {
                    change = std::exchange(registry_.change_, nullptr);
                }
            }
            if (change) {
                change();
            }
            if (found) {
                return found;
            }
        }
    }
    bool isValid() override {
        std::lock_guard lock(registry_.mutex_);
        return registry_.generation_ == generation_;
    }
    void restart() override {
        registry_.passes_.fetch_add(1);
        std::lock_guard lock(registry_.mutex_);
        order_.clear();
        registry_.walk(registry_.root_, order_);
        generation_ = registry_.generation_;
        at_ = 0;
    }

private:
    const SimulatedRegistry& registry_;
    std::string key_;
    std::vector<RegistryEntry> order_;
    std::uint64_t generation_ = 0;
    std::size_t at_ = 0;
};

std::optional<std::vector<RegistryEntry>> SimulatedRegistry::entries(std::string_view plane,
                                                                     std::string_view key) const {
    if (walkFails_.load() || plane != registry::servicePlane) {
        return std::nullopt;
    }
    Walk walk(*this, key);
    return registry::complete(walk);
}

void SimulatedRegistry::changeDuringNextWalk(std::size_t entries, std::function<void()> change) {
    std::lock_guard lock(mutex_);
    changeAfter_ = entries;
    change_ = std::move(change);
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
    ++generation_;
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
    ++generation_;
}

void SimulatedRegistry::defineClass(std::string className, std::string superclass) {
    std::lock_guard lock(mutex_);
    superclass_[std::move(className)] = std::move(superclass);
}

} // namespace platform::simulated
