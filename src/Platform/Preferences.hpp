#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

// The preference domain shared by every application of the current user.
namespace platform {

using PreferenceValue = std::variant<bool, std::int64_t, double, std::string>;

class Preferences {
public:
    virtual ~Preferences() = default;

    // The process reads a cached copy of the domain; synchronizing brings in what other
    // processes (the system's settings) wrote since. False when that failed.
    virtual bool synchronizeAnyApplication() = 0;
    // The value under `key`, of whatever type it holds, or nothing.
    virtual std::optional<PreferenceValue> copyAnyApplicationValue(std::string_view key) = 0;
};

} // namespace platform
