#pragma once

#include "Platform/SystemNames.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// The device registry: a tree of services, each with a class, properties and a unique
// registry entry ID (the sender ID of the HID events a device's service sends).
namespace platform {

// A handle on one entry; nothing to release.
struct RegistryEntry {
    std::uint64_t handle = 0;
    bool operator==(const RegistryEntry&) const = default;
};

// A property's value: text, number (whole or real) or boolean.
using RegistryProperty = std::variant<std::string, std::int64_t, double, bool>;

namespace registry {
inline constexpr std::string_view servicePlane = "IOService";
// The longest class name a lookup returns; longer names are cut.
inline constexpr std::size_t classNameLimit = 127;
} // namespace registry

class Registry {
public:
    virtual ~Registry() = default;

    // This system's names for the classes and properties the product reads.
    virtual const RegistryNames& names() const = 0;

    // The service whose registry entry ID is `entryID`, or nothing.
    virtual std::optional<RegistryEntry> service(std::uint64_t entryID) const = 0;
    virtual std::uint64_t entryID(RegistryEntry entry) const = 0;
    virtual std::string className(RegistryEntry entry) const = 0;
    // The entry's class is `className` or derives from it.
    virtual bool conformsTo(RegistryEntry entry, std::string_view className) const = 0;
    virtual std::optional<RegistryEntry> parent(RegistryEntry entry,
                                                std::string_view plane) const = 0;
    virtual std::optional<RegistryProperty> property(RegistryEntry entry,
                                                     std::string_view key) const = 0;
    // Every entry of the plane that has the property `key`, walked recursively from the root
    // (and from the start again when the registry changed under the walk); nothing when the walk
    // cannot be started or never gets through unchanged.
    virtual std::optional<std::vector<RegistryEntry>> entries(std::string_view plane,
                                                              std::string_view key) const = 0;
};

// One walk over a plane as the system's iterator makes it. A change to the registry during the
// walk invalidates the iterator, which may then end early.
class RegistryWalk {
public:
    virtual ~RegistryWalk() = default;
    // The next entry that has the wanted property (the others are passed over and let go at
    // once); nothing at the end.
    virtual std::optional<RegistryEntry> next() = 0;
    virtual bool isValid() = 0;
    // Back to the start and valid again; what the walk kept so far is let go.
    virtual void restart() = 0;
};

namespace registry {
inline constexpr int walkAttempts = 5;
// What `walk` gives up to its end, from a pass the registry did not change under; a changed
// pass starts over, at most `walkAttempts` passes in all. Nothing when none got through.
std::optional<std::vector<RegistryEntry>> complete(RegistryWalk& walk);
} // namespace registry

} // namespace platform
