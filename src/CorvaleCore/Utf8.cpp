#include "CorvaleCore/Utf8.hpp"

#include <clocale>
#include <cwctype>
#include <locale.h>

// macOS declares locale_t and the *_l calls only here, and only for the headers included first.
#if defined(__APPLE__)
#include <xlocale.h>
#endif

namespace corvale::utf8 {

namespace {

bool isScalar(char32_t c) {
    return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

// The C library's Unicode tables come with a UTF-8 locale, named differently by each system
// (macOS may have no C.UTF-8); without one only ASCII changes case.
locale_t unicodeLocale() {
    static const locale_t locale = [] {
        locale_t made{};
        for (const char* name : {"C.UTF-8", "C.utf8", "UTF-8", "en_US.UTF-8"}) {
            made = newlocale(LC_CTYPE_MASK, name, locale_t{});
            if (made != locale_t{}) {
                break;
            }
        }
        return made;
    }();
    return locale;
}

} // namespace

namespace {

// The code point that starts at `i` and the bytes it takes; 0 bytes when it is ill-formed.
std::size_t next(std::string_view text, std::size_t i, char32_t& c) {
    auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        c = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        c = lead & 0x1F;
        least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        c = lead & 0x0F;
        least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        c = lead & 0x07;
        least = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - i < length) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        auto byte = static_cast<unsigned char>(text[i + k]);
        if ((byte & 0xC0) != 0x80) {
            return 0;
        }
        c = (c << 6) | (byte & 0x3F);
    }
    if (c < least || !isScalar(c)) {
        return 0;
    }
    return length;
}

} // namespace

std::optional<std::u32string> decode(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = 0;
        std::size_t length = next(text, i, c);
        if (length == 0) {
            return std::nullopt;
        }
        out.push_back(c);
        i += length;
    }
    return out;
}

std::u32string decodeReplacing(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = 0;
        std::size_t length = next(text, i, c);
        out.push_back(length == 0 ? char32_t{0xFFFD} : c);
        i += length == 0 ? 1 : length;
    }
    return out;
}

void append(std::string& text, char32_t c) {
    if (!isScalar(c)) {
        c = 0xFFFD;
    }
    if (c < 0x80) {
        text += static_cast<char>(c);
    } else if (c < 0x800) {
        text += static_cast<char>(0xC0 | (c >> 6));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        text += static_cast<char>(0xE0 | (c >> 12));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (c >> 18));
        text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string encode(std::u32string_view codePoints) {
    std::string text;
    text.reserve(codePoints.size());
    for (char32_t c : codePoints) {
        append(text, c);
    }
    return text;
}

bool isWhitespace(char32_t c) {
    switch (c) {
    case 0x09:
    case 0x0A:
    case 0x0B:
    case 0x0C:
    case 0x0D:
    case 0x20:
    case 0x85:
    case 0xA0:
    case 0x1680:
    case 0x2028:
    case 0x2029:
    case 0x202F:
    case 0x205F:
    case 0x3000:
        return true;
    default:
        return c >= 0x2000 && c <= 0x200A;
    }
}

std::size_t cutLength(std::string_view text, std::size_t most) {
    if (most >= text.size()) {
        return text.size();
    }
    // A continuation byte at the cut means a character would be split: step back to its start.
    while (most > 0 && (static_cast<unsigned char>(text[most]) & 0xC0) == 0x80) {
        --most;
    }
    return most;
}

std::string trimmed(std::string_view text) {
    std::size_t begin = 0;
    char32_t c = 0;
    while (begin < text.size()) {
        std::size_t length = next(text, begin, c);
        if (length == 0 || !isWhitespace(c)) {
            break;
        }
        begin += length;
    }
    std::size_t end = text.size();
    while (end > begin) {
        std::size_t start = end - 1;
        while (start > begin && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80) {
            --start;
        }
        if (next(text, start, c) != end - start || !isWhitespace(c)) {
            break;
        }
        end = start;
    }
    return std::string(text.substr(begin, end - begin));
}

std::u32string uppercased(std::u32string_view codePoints) {
    std::u32string out(codePoints);
    locale_t locale = unicodeLocale();
    for (char32_t& c : out) {
        if (c >= 'a' && c <= 'z') {
            c = c - 'a' + 'A';
        } else if (c >= 0x80 && locale != locale_t{}) {
            c = static_cast<char32_t>(towupper_l(static_cast<wint_t>(c), locale));
        }
    }
    return out;
}

} // namespace corvale::utf8
