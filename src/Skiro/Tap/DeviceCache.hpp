#pragma once

#include "SkiroCore/Scrolling.hpp"

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace skiro {

// What the tap knows of the devices behind scrolls, by sender, on the tap thread: the devices
// learned from the registry, the senders it refused recently, and the lookups under way. The
// lookups themselves run elsewhere; this decides when one is due and takes in their answers.
class DeviceCache {
public:
    // The registry said recently that it does not know a sender: ask again only after this long.
    static constexpr std::uint64_t unknownBackOff = 250'000'000; // ns

    std::optional<Device> known(std::uint64_t sender) const;

    // A scroll at `now` (ns) from a sender not known: true when a lookup is to start now (none
    // is under way, and no refusal is recent). The lookup is then counted as under way.
    bool shouldLookUp(std::uint64_t sender, std::uint64_t now);

    // A lookup's answer. True when it newly counts the sender as unknown (each sender counts
    // once until it is learned).
    bool learned(std::uint64_t sender, std::optional<Device> kind);

    // A snapshot of the registry's scroll devices; senders already known keep theirs.
    void merge(const std::unordered_map<std::uint64_t, Device>& devices);

    bool isUnknown(std::uint64_t sender) const { return unknownSince_.contains(sender); }
    bool isLookingUp(std::uint64_t sender) const { return lookingUp_.contains(sender); }
    bool isLookingUpAny() const { return !lookingUp_.empty(); }

private:
    std::unordered_map<std::uint64_t, Device> devices_;
    std::unordered_map<std::uint64_t, std::uint64_t> unknownSince_;
    std::unordered_set<std::uint64_t> lookingUp_;
    // The last scroll that asked: a refusal counts from then.
    std::uint64_t lastAsked_ = 0;
};

} // namespace skiro
