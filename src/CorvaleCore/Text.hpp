#pragma once

#include <charconv>
#include <string>
#include <string_view>

namespace corvale {

// ASCII letters in lower case, every other byte as it is: for names that are ASCII by rule
// (commands, schemes, arguments, the program's name).
std::string asciiLowercased(std::string_view text);

// std::from_chars for a double in the general format. Where the standard library lacks it (on
// macOS), the C library reads the number in the "C" locale, held to the same rules: no space,
// no "+" and no hexadecimal.
std::from_chars_result readDouble(std::string_view text, double& value);

// A real number in the shortest decimal form that reads back to the same value, whole numbers
// as reals ("7.0", not "7").
std::string realText(double value);

} // namespace corvale
