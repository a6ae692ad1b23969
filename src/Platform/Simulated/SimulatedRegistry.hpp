#pragma once

#include "Platform/Registry.hpp"

#include <atomic>
#include <functional>
#include <map>
#include <mutex>

namespace platform::simulated {

// A registry tree under one root, with a class hierarchy for conformance. It knows the classes
// of the services that send scroll events; tests may define more.
class SimulatedRegistry final : public Registry {
public:
    using Properties = std::map<std::string, RegistryProperty, std::less<>>;

    struct NewEntry {
        std::string className;
        Properties properties;
        // The parent in the service plane; the root when absent.
        std::optional<std::uint64_t> parent;
    };

    SimulatedRegistry();
    const RegistryNames& names() const override { return macOSRegistryNames; }

    std::optional<RegistryEntry> service(std::uint64_t entryID) const override;
    std::uint64_t entryID(RegistryEntry entry) const override { return entry.handle; }
    std::string className(RegistryEntry entry) const override;
    bool conformsTo(RegistryEntry entry, std::string_view className) const override;
    std::optional<RegistryEntry> parent(RegistryEntry entry, std::string_view plane) const override;
    std::optional<RegistryProperty> property(RegistryEntry entry,
                                             std::string_view key) const override;
    std::optional<std::vector<RegistryEntry>> entries(std::string_view plane,
                                                      std::string_view key) const override;

    // Adds an entry and returns its registry entry ID.
    std::uint64_t add(NewEntry entry);
    // Removes an entry and everything under it.
    void remove(std::uint64_t entryID);
    std::uint64_t root() const { return root_; }
    void defineClass(std::string className, std::string superclass);
    // When set, a walk over the registry cannot be started.
    void setWalkFails(bool fails) { walkFails_.store(fails); }
    // Once, when the next walk has passed `entries` entries, `change` runs (on the walking
    // thread, outside the registry's lock) as another program's change to the registry would
    // come: adding or removing entries then invalidates the walk's iterator.
    void changeDuringNextWalk(std::size_t entries, std::function<void()> change);
    // How many walks were started, restarts included.
    int walkPasses() const { return passes_.load(); }
    // How many lookups of a single service were made (device identification asks these).
    int serviceLookups() const { return lookups_.load(); }

private:
    struct Entry {
        std::string className;
        Properties properties;
        std::uint64_t parent = 0;
        std::vector<std::uint64_t> children;
    };

    class Walk;
    void walk(std::uint64_t id, std::vector<RegistryEntry>& into) const;

    mutable std::mutex mutex_;
    std::map<std::uint64_t, Entry> entries_;
    std::map<std::string, std::string, std::less<>> superclass_;
    std::uint64_t next_ = 0x100000200;
    std::uint64_t root_ = 0;
    std::atomic<bool> walkFails_{false};
    // Bumped by every change to the tree; a walk begun under another one is invalid.
    std::uint64_t generation_ = 0;
    mutable std::atomic<int> passes_{0};
    mutable std::size_t changeAfter_ = 0;
    mutable std::function<void()> change_;
    mutable std::atomic<int> lookups_{0};
};

} // namespace platform::simulated
