#pragma once

#include "CorvaleCore/Json.hpp"

#include <optional>
#include <string>
#include <string_view>

namespace corvale {

// The running executable's bundle: its information dictionary, a JSON object of typed values as
// the build wrote them. There is no bundle folder on this system; the dictionary is compiled in
// from the build (name, short version, build number, and an update key only when a build sets
// one), and tests replace it.
class Bundle {
public:
    static constexpr std::string_view nameKey = "CFBundleName";
    static constexpr std::string_view identifierKey = "CFBundleIdentifier";
    static constexpr std::string_view shortVersionKey = "CFBundleShortVersionString";
    static constexpr std::string_view versionKey = "CFBundleVersion";
    static constexpr std::string_view updateKeyKey = "SUPublicEDKey";

    Bundle() = default;
    // A dictionary that is not an object counts as no dictionary.
    explicit Bundle(std::optional<json::Json> info);

    // The information dictionary, none when the bundle has none.
    const std::optional<json::Json>& info() const { return info_; }

    // The value under `key` when it is a string; none when missing or of another type.
    std::optional<std::string> string(std::string_view key) const;
    std::optional<std::string> identifier() const { return string(identifierKey); }

    bool operator==(const Bundle&) const = default;

    // The process's bundle; a copy, safe to take from any thread.
    static Bundle main();
    // Replaces the process's bundle and returns the one it replaced (tests put it back).
    static Bundle replaceMain(Bundle bundle);
    // What the build compiled in.
    static Bundle compiled();

private:
    std::optional<json::Json> info_;
};

} // namespace corvale
