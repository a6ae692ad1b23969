#include "CorvaleCore/Text.hpp"

#include <algorithm>
#include <charconv>

#if defined(__APPLE__)
#include <xlocale.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>
#endif

namespace corvale {

std::string asciiLowercased(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    });
    return lower;
}

#if defined(__APPLE__)

std::from_chars_result readDouble(std::string_view text, double& value) {
    const char* first = text.data();
    // The C library would skip the space and take the "+" before a number.
    if (text.empty() || text.front() == '+' ||
        std::string_view(" \t\n\v\f\r").find(text.front()) != std::string_view::npos) {
        return {first, std::errc::invalid_argument};
    }
    std::size_t sign = text.front() == '-' ? 1 : 0;
    std::string copy(text);
    // The C library would read "0x1p3" whole; the general format stops after the "0".
    if (copy.size() > sign + 1 && copy[sign] == '0' && (copy[sign + 1] | 0x20) == 'x') {
        copy.resize(sign + 1);
    }
    static const locale_t plain = ::newlocale(LC_ALL_MASK, "C", nullptr);
    char* stop = nullptr;
    errno = 0;
    double read = ::strtod_l(copy.c_str(), &stop, plain);
    if (stop == copy.c_str()) {
        return {first, std::errc::invalid_argument};
    }
    const char* end = first + (stop - copy.c_str());
    // A tiny number that still has a value is read, as the general format reads it.
    if (errno == ERANGE && (read == 0 || std::isinf(read))) {
        return {end, std::errc::result_out_of_range};
    }
    value = read;
    return {end, std::errc()};
}

#else

std::from_chars_result readDouble(std::string_view text, double& value) {
    return std::from_chars(text.data(), text.data() + text.size(), value,
                           std::chars_format::general);
}

#endif

std::string realText(double value) {
    char digits[64];
    auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
    std::string text(digits, error == std::errc{} ? static_cast<std::size_t>(end - digits) : 0);
    if (text.find_first_not_of("-0123456789") == std::string::npos) {
        text += ".0";
    }
    return text;
}

} // namespace corvale
