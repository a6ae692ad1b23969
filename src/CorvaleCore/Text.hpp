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

} // namespace corvale
