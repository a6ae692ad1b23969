#pragma once

#include <string>
#include <string_view>

namespace corvale {

// ASCII letters in lower case, every other byte as it is: for names that are ASCII by rule
// (commands, schemes, arguments, the program's name).
std::string asciiLowercased(std::string_view text);

} // namespace corvale
