#pragma once

#include "Platform/KeyboardLayout.hpp"

namespace platform::mac {

// The current keyboard layout through the text input sources, translated with Unicode key
// layouts.
class MacKeyboardLayout final : public KeyboardLayout {
public:
    std::optional<std::string> character(std::uint32_t keyCode) const override;
};

} // namespace platform::mac
