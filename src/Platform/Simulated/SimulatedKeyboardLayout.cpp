#include "Platform/Simulated/SimulatedKeyboardLayout.hpp"

namespace platform::simulated {

std::optional<std::string> SimulatedKeyboardLayout::character(std::uint32_t keyCode) const {
    std::lock_guard lock(mutex_);
    auto found = characters_.find(keyCode);
    if (found == characters_.end()) {
        return std::nullopt;
    }
    return found->second;
}

void SimulatedKeyboardLayout::set(Characters characters) {
    std::lock_guard lock(mutex_);
    characters_ = std::move(characters);
}

SimulatedKeyboardLayout::Characters SimulatedKeyboardLayout::unitedStates() {
    // Virtual key codes are positions on the keyboard, not characters: this table is what the
    // U.S. layout puts at each position.
    return {
        {0, "a"},  {1, "s"},   {2, "d"},  {3, "f"},  {4, "h"},  {5, "g"},  {6, "z"},  {7, "x"},
        {8, "c"},  {9, "v"},   {10, "§"}, {11, "b"}, {12, "q"}, {13, "w"}, {14, "e"}, {15, "r"},
        {16, "y"}, {17, "t"},  {18, "1"}, {19, "2"}, {20, "3"}, {21, "4"}, {22, "6"}, {23, "5"},
        {24, "="}, {25, "9"},  {26, "7"}, {27, "-"}, {28, "8"}, {29, "0"}, {30, "]"}, {31, "o"},
        {32, "u"}, {33, "["},  {34, "i"}, {35, "p"}, {37, "l"}, {38, "j"}, {39, "'"}, {40, "k"},
        {41, ";"}, {42, "\\"}, {43, ","}, {44, "/"}, {45, "n"}, {46, "m"}, {47, "."}, {50, "`"},
        {65, "."}, {67, "*"},  {69, "+"}, {75, "/"}, {78, "-"}, {81, "="}, {82, "0"}, {83, "1"},
        {84, "2"}, {85, "3"},  {86, "4"}, {87, "5"}, {88, "6"}, {89, "7"}, {91, "8"}, {92, "9"},
    };
}

} // namespace platform::simulated
