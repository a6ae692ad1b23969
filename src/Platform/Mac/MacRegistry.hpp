#pragma once

#include "Platform/Registry.hpp"

#include <IOKit/IOKitLib.h>

#include <mutex>
#include <unordered_map>

namespace platform::mac {

// The I/O Registry. An entry's handle is its registry entry ID, so handles need no release.
// Each call finds its entry again: among the entries of the latest walk, then the latest entry
// found (callers ask several things of one entry in a row), then by matching on the ID.
class MacRegistry final : public Registry {
public:
    MacRegistry() = default;
    MacRegistry(const MacRegistry&) = delete;
    MacRegistry& operator=(const MacRegistry&) = delete;
    ~MacRegistry() override;
    const RegistryNames& names() const override { return macOSRegistryNames; }

    std::optional<RegistryEntry> service(std::uint64_t entryID) const override;
    std::uint64_t entryID(RegistryEntry entry) const override;
    std::string className(RegistryEntry entry) const override;
    bool conformsTo(RegistryEntry entry, std::string_view className) const override;
    std::optional<RegistryEntry> parent(RegistryEntry entry, std::string_view plane) const override;
    std::optional<RegistryProperty> property(RegistryEntry entry,
                                             std::string_view key) const override;
    std::optional<std::vector<RegistryEntry>> entries(std::string_view plane,
                                                      std::string_view key) const override;

private:
    // The entry with that ID, retained for the caller; IO_OBJECT_NULL when there is none.
    io_registry_entry_t find(std::uint64_t entryID) const;
    // Keeps `entry` (retained here) as the latest one found.
    void remember(std::uint64_t entryID, io_registry_entry_t entry) const;

    mutable std::mutex mutex_;
    mutable std::uint64_t lastID_ = 0;
    mutable io_registry_entry_t last_ = IO_OBJECT_NULL;
    // The entries the latest walk kept, held until the next walk, so they are found again
    // without matching, even those that matching does not reach.
    mutable std::unordered_map<std::uint64_t, io_registry_entry_t> walked_;
};

} // namespace platform::mac
