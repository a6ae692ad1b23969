// Shortcuts are stored as JSON next to the other settings and shown as text: any bytes must give
// a combination that encodes and reads back the same, or a decoding error; and any text must be
// spoken as well-formed UTF-8 with no white space at either end and no space before closing
// punctuation.
#include "Corvale/SpokenKeys.hpp"
#include "CorvaleCore/KeyCombo.hpp"
#include "CorvaleCore/Utf8.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        corvale::KeyCombo combo = corvale::json::decode<corvale::KeyCombo>(bytes);
        std::string encoded = corvale::json::encodeCompact(corvale::json::encode(combo));
        check(corvale::json::decode<corvale::KeyCombo>(std::string_view(encoded)) == combo);
        check(corvale::utf8::decode(combo.display()).has_value());
    } catch (const corvale::json::DecodingError& error) {
        check(!error.description().empty());
    }

    std::u32string replaced = corvale::utf8::decodeReplacing(bytes);
    if (auto strict = corvale::utf8::decode(bytes)) {
        check(*strict == replaced);
        check(corvale::utf8::encode(*strict) == bytes);
    }

    std::string spoken = corvale::SpokenKeys::text(bytes);
    std::optional<std::u32string> points = corvale::utf8::decode(spoken);
    check(points.has_value());
    if (!points->empty()) {
        check(!corvale::utf8::isWhitespace(points->front()));
        check(!corvale::utf8::isWhitespace(points->back()));
    }
    for (std::size_t i = 1; i < points->size(); ++i) {
        char32_t c = (*points)[i];
        bool closing =
            c == '.' || c == ',' || c == ';' || c == ':' || c == ')' || c == '?' || c == '!';
        check(!(closing && (*points)[i - 1] == ' '));
        check(!((*points)[i - 1] == ' ' && c == ' '));
    }
    return 0;
}
