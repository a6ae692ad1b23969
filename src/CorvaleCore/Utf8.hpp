#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Text as code points, for the few places that treat text character by character.
namespace corvale::utf8 {

// The code points of well-formed UTF-8; none for anything else (stray continuation bytes,
// overlong forms, surrogates, values past U+10FFFF, a sequence cut short).
std::optional<std::u32string> decode(std::string_view text);
// The same, with U+FFFD for each byte that starts no well-formed sequence.
std::u32string decodeReplacing(std::string_view text);

// Appends one code point; a value that is no scalar value appends U+FFFD.
void append(std::string& text, char32_t codePoint);
std::string encode(std::u32string_view codePoints);

// White space as Unicode counts it (the ASCII spaces and line breaks, no-break spaces, the
// typographic spaces, the line and paragraph separators).
bool isWhitespace(char32_t codePoint);
// `text` without the white space at either end; trimming stops at bytes that are not UTF-8.
std::string trimmed(std::string_view text);

// The longest length of at most `most` bytes that does not end inside a character of `text`.
std::size_t cutLength(std::string_view text, std::size_t most);

// The upper-case form of each code point, one for one, as the Unicode tables give it.
std::u32string uppercased(std::u32string_view codePoints);

} // namespace corvale::utf8
