#pragma once

#include <string>
#include <string_view>

namespace corvale {

// ASCII letters in lower case, every other byte as it is: for names that are ASCII by rule
// (commands, schemes, arguments, the program's name).
std::string asciiLowercased(std::string_view text);

// A real number in the shortest decimal form that reads back to the same value, whole numbers
// as reals ("7.0", not "7").
std::string realText(double value);

} // namespace corvale
