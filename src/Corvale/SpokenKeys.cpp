#include "Corvale/SpokenKeys.hpp"

#include "CorvaleCore/Utf8.hpp"

#include <optional>

namespace corvale::SpokenKeys {

const std::array<Word, 17> words = {{
    {"⌃", "Control"},
    {"⌥", "Option"},
    {"⇧", "Shift"},
    {"⌘", "Command"},
    {"←", "Left Arrow"},
    {"→", "Right Arrow"},
    {"↑", "Up Arrow"},
    {"↓", "Down Arrow"},
    {"⌫", "Delete"},
    {"⌦", "Forward Delete"},
    {"⎋", "Escape"},
    {"⇞", "Page Up"},
    {"⇟", "Page Down"},
    {"↖", "Home"},
    {"↘", "End"},
    {"↩", "Return"},
    {"⇥", "Tab"},
}};

namespace {

std::optional<std::u32string_view> wordFor(char32_t symbol) {
    static const auto table = [] {
        std::array<std::pair<char32_t, std::u32string>, 17> made;
        for (std::size_t i = 0; i < words.size(); ++i) {
            made[i] = {utf8::decode(words[i].symbol).value().front(),
                       utf8::decode(words[i].word).value()};
        }
        return made;
    }();
    for (const auto& [key, word] : table) {
        if (key == symbol) {
            return std::u32string_view(word);
        }
    }
    return std::nullopt;
}

bool closesBeforeSpace(char32_t c) {
    return c == '.' || c == ',' || c == ';' || c == ':' || c == ')' || c == '?' || c == '!';
}

} // namespace

std::string text(std::string_view input) {
    std::u32string points = utf8::decodeReplacing(input);
    std::u32string result;
    for (char32_t c : points) {
        if (auto word = wordFor(c)) {
            if (!result.empty() && !utf8::isWhitespace(result.back()) && result.back() != '(') {
                result.push_back(' ');
            }
            result.append(*word);
            result.push_back(' ');
        } else if (c == ' ') {
            if (!result.empty() && result.back() != ' ') {
                result.push_back(' ');
            }
        } else {
            result.push_back(c);
        }
    }

    std::u32string tidy;
    for (char32_t c : result) {
        if (closesBeforeSpace(c)) {
            while (!tidy.empty() && tidy.back() == ' ') {
                tidy.pop_back();
            }
        }
        tidy.push_back(c);
    }

    return utf8::trimmed(utf8::encode(tidy));
}

std::string spoken(const KeyCombo& combo) {
    return text(combo.display());
}

} // namespace corvale::SpokenKeys
