#pragma once

#include "CorvaleCore/KeyCombo.hpp"

#include <array>
#include <string>
#include <string_view>

// Shortcuts as a screen reader should say them: the key symbols become words.
namespace corvale::SpokenKeys {

struct Word {
    std::string_view symbol;
    std::string_view word;
};

// Each symbol with the word said for it.
extern const std::array<Word, 17> words;

// `text` with every symbol said as its word, each word standing apart, runs of spaces made
// one, no space before closing punctuation, and nothing around the ends: "⌃⌥⌘P" is
// "Control Option Command P".
std::string text(std::string_view text);

// The combination's display, spoken.
std::string spoken(const KeyCombo& combo);

} // namespace corvale::SpokenKeys
