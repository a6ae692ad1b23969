#include "CorvaleCore/KeyCombo.hpp"

#include "CorvaleCore/Locked.hpp"
#include "CorvaleCore/Utf8.hpp"

#include <algorithm>
#include <limits>
#include <utility>

namespace corvale {

namespace {

Locked<KeyCombo::Layout>& layoutInUse() {
    // Never destroyed: a view on another thread may name a key while the process ends.
    static auto* layout = new Locked<KeyCombo::Layout>();
    return *layout;
}

// What the layout typed, upper-cased; none when it is empty, not UTF-8, or holds a control
// character (keypad enter and the like type those, and they show as nothing).
std::optional<std::string> printable(const std::optional<std::string>& typed) {
    if (!typed || typed->empty()) {
        return std::nullopt;
    }
    std::optional<std::u32string> points = utf8::decode(*typed);
    if (!points) {
        return std::nullopt;
    }
    bool control = std::any_of(points->begin(), points->end(),
                               [](char32_t c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); });
    if (control) {
        return std::nullopt;
    }
    return utf8::encode(utf8::uppercased(*points));
}

} // namespace

std::string KeyCodeError::description() const {
    return "The key code " + std::to_string(keyCode_) + " is out of range.";
}

const std::array<KeyCombo::Symbol, 26> KeyCombo::symbols = {{
    {123, "←"},  {124, "→"},  {126, "↑"},   {125, "↓"},   {36, "↩"},    {48, "⇥"},  {49, "Space"},
    {51, "⌫"},   {117, "⌦"},  {53, "⎋"},    {115, "↖"},   {119, "↘"},   {116, "⇞"}, {121, "⇟"},
    {122, "F1"}, {120, "F2"}, {99, "F3"},   {118, "F4"},  {96, "F5"},   {97, "F6"}, {98, "F7"},
    {100, "F8"}, {101, "F9"}, {109, "F10"}, {103, "F11"}, {111, "F12"},
}};

KeyCombo::KeyCombo(std::int64_t code, std::uint32_t held) : modifiers(held) {
    if (code < 0 || code > std::int64_t{std::numeric_limits<std::uint32_t>::max()}) {
        throw KeyCodeError(code);
    }
    keyCode = static_cast<std::uint32_t>(code);
}

bool KeyCombo::isGlobal() const {
    return (modifiers & (command | option | control)) != 0;
}

bool KeyCombo::isSafeDefault() const {
    return isGlobal() && std::find(lettersDigitsAndArrows.begin(), lettersDigitsAndArrows.end(),
                                   keyCode) != lettersDigitsAndArrows.end();
}

std::string KeyCombo::modifierSymbols() const {
    std::string text;
    if (modifiers & control) {
        text += "⌃";
    }
    if (modifiers & option) {
        text += "⌥";
    }
    if (modifiers & shift) {
        text += "⇧";
    }
    if (modifiers & command) {
        text += "⌘";
    }
    return text;
}

std::string KeyCombo::display() const {
    return modifierSymbols() + keyName(keyCode);
}

KeyCombo::Layout KeyCombo::setKeyboardLayout(Layout layout) {
    return layoutInUse().with([&](Layout& current) { return std::exchange(current, layout); });
}

std::string KeyCombo::keyName(std::uint32_t keyCode) {
    return keyName(keyCode, layoutInUse().copy());
}

std::string KeyCombo::keyName(std::uint32_t keyCode, const Layout& layout) {
    for (const Symbol& entry : symbols) {
        if (entry.keyCode == keyCode) {
            return std::string(entry.symbol);
        }
    }
    if (layout) {
        if (std::optional<std::string> typed = printable(layout(keyCode))) {
            return *typed;
        }
    }
    return "#" + std::to_string(keyCode);
}

namespace json {

Json Coding<KeyCombo>::encode(const KeyCombo& combo) {
    Json object = Json::object();
    object["keyCode"] = combo.keyCode;
    object["modifiers"] = combo.modifiers;
    return object;
}

KeyCombo Coding<KeyCombo>::decode(const Json& json, const CodingPath& path) {
    requireObject(json, path);
    auto unsigned32 = [&](const char* key) {
        CodingPath at = appending(path, key);
        std::int64_t value = decodeInt(requireMember(json, key, path), at);
        if (value < 0 || value > std::int64_t{std::numeric_limits<std::uint32_t>::max()}) {
            throw DecodingError(DecodingError::Kind::dataCorrupted, at,
                                "Parsed JSON number <" + std::to_string(value) +
                                    "> does not fit in UInt32.");
        }
        return static_cast<std::uint32_t>(value);
    };
    std::uint32_t keyCode = unsigned32("keyCode");
    std::uint32_t modifiers = unsigned32("modifiers");
    return KeyCombo(keyCode, modifiers);
}

} // namespace json

} // namespace corvale
