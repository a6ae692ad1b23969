#pragma once

#include <cctype>
#include <string_view>

namespace corvale::test {

// Whether `text` has the shape of `shape`, where '#' stands for any digit. Plain, because the
// sanitizer build's optimiser warns inside the standard library's regex.
inline bool hasShape(std::string_view text, std::string_view shape) {
    if (text.size() != shape.size()) {
        return false;
    }
    for (std::size_t i = 0; i < shape.size(); ++i) {
        const bool same = shape[i] == '#' ? std::isdigit(static_cast<unsigned char>(text[i])) != 0
                                          : text[i] == shape[i];
        if (!same) {
            return false;
        }
    }
    return true;
}

} // namespace corvale::test
