#pragma once

#include "Platform/KeyboardLayout.hpp"

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace platform::simulated {

// The keyboard layout in use: the U.S. layout until the user (a test) picks another. A layout
// is what each key types without modifiers; keys it leaves out type nothing printable (the
// function keys, the arrows, return, escape and the like).
class SimulatedKeyboardLayout final : public KeyboardLayout {
public:
    using Characters = std::map<std::uint32_t, std::string>;

    std::optional<std::string> character(std::uint32_t keyCode) const override;

    // Switches to another layout, as choosing an input source does.
    void set(Characters characters);
    // The U.S. layout: letters in lower case, digits, punctuation, the keypad's characters.
    static Characters unitedStates();

private:
    mutable std::mutex mutex_;
    Characters characters_ = unitedStates();
};

} // namespace platform::simulated
