#pragma once

#include "CorvaleCore/Error.hpp"
#include "CorvaleCore/Json.hpp"

#include <array>
#include <compare>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace corvale {

// A key code that is no 32-bit key code.
class KeyCodeError : public Error {
public:
    explicit KeyCodeError(std::int64_t keyCode) : keyCode_(keyCode) {}
    std::int64_t keyCode() const { return keyCode_; }
    std::string description() const override;

private:
    std::int64_t keyCode_;
};

// A key and its modifiers as the user pressed them: what a shortcut is stored as, registered
// as and shown as.
struct KeyCombo {
    // The modifier bits, as the system's hot keys take them.
    static constexpr std::uint32_t command = 256;
    static constexpr std::uint32_t shift = 512;
    static constexpr std::uint32_t option = 2048;
    static constexpr std::uint32_t control = 4096;

    // The hardware-independent virtual key code, as in key-down events.
    std::uint32_t keyCode = 0;
    std::uint32_t modifiers = 0;

    KeyCombo() = default;
    // Throws KeyCodeError unless 0 <= keyCode <= 4294967295.
    KeyCombo(std::int64_t keyCode, std::uint32_t modifiers);

    // Command, option or control make a combination reach past the application in front;
    // shift alone does not.
    bool isGlobal() const;
    // Global, on a letter, a digit or an arrow: safe to offer as a default.
    bool isSafeDefault() const;

    // "⌃", "⌥", "⇧", "⌘" for the modifiers held, always in that order.
    std::string modifierSymbols() const;
    // The modifier symbols followed by the key's name, as in ⌃⌥⌘P.
    std::string display() const;

    // The letters A–Z, the digits and the four arrows.
    static constexpr std::array<std::uint32_t, 40> lettersDigitsAndArrows = {
        0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  11, 12, 13, 14, 15, 16, 17,  31,  32,  34,
        35, 37, 38, 40, 45, 46, 18, 19, 20, 21, 22, 23, 25, 26, 28, 29, 123, 124, 125, 126};

    // Keys named by a symbol of their own rather than by what the layout types.
    struct Symbol {
        std::uint32_t keyCode;
        std::string_view symbol;
    };
    static const std::array<Symbol, 26> symbols;

    // What the keyboard layout in use types for a key without modifiers (UTF-8), none when it
    // types nothing. The framework is handed it by whoever knows the system.
    using Layout = std::function<std::optional<std::string>(std::uint32_t keyCode)>;
    // Sets the process's layout and answers the one it replaced. Safe from any thread.
    static Layout setKeyboardLayout(Layout layout);

    // The key's symbol; else the printable text the layout in use types for it, upper-cased;
    // else "#" and the key code.
    static std::string keyName(std::uint32_t keyCode);
    static std::string keyName(std::uint32_t keyCode, const Layout& layout);

    bool operator==(const KeyCombo&) const = default;
    auto operator<=>(const KeyCombo&) const = default;
};

namespace json {

// {"keyCode": integer, "modifiers": integer}: both keys required, each a 32-bit unsigned value.
template <>
struct Coding<KeyCombo> {
    static Json encode(const KeyCombo& combo);
    static KeyCombo decode(const Json& json, const CodingPath& path);
};

} // namespace json

} // namespace corvale

template <>
struct std::hash<corvale::KeyCombo> {
    std::size_t operator()(const corvale::KeyCombo& combo) const noexcept {
        return std::hash<std::uint64_t>{}((std::uint64_t{combo.keyCode} << 32) | combo.modifiers);
    }
};
