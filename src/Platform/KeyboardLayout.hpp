#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The keyboard layout the user has chosen, for naming keys on screen.
namespace platform {

class KeyboardLayout {
public:
    virtual ~KeyboardLayout() = default;

    // The text (UTF-8) the current layout types for the key pressed without modifiers, as a
    // key cap would show it; none when the layout has nothing for the key or cannot be read.
    virtual std::optional<std::string> character(std::uint32_t keyCode) const = 0;
};

} // namespace platform
