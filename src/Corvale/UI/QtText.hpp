#pragma once

#include <QString>

#include <string_view>

namespace corvale {

// `text`, UTF-8, as the toolkit's string.
inline QString qtText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace corvale
