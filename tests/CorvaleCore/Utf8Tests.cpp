#include "CorvaleCore/Utf8.hpp"

#include <gtest/gtest.h>

namespace corvale {
namespace {

TEST(Utf8, DecodesWellFormedTextAndRefusesTheRest) {
    EXPECT_EQ(utf8::decode("a⌘é😀"), std::u32string(U"a⌘é😀"));
    EXPECT_EQ(utf8::decode(""), std::u32string());
    // A stray continuation byte, an overlong slash, a surrogate, past U+10FFFF, cut short.
    for (std::string_view bad :
         {"\x80", "\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xe2\x8c"}) {
        EXPECT_EQ(utf8::decode(bad), std::nullopt) << bad.size();
    }
    EXPECT_EQ(utf8::decodeReplacing("a\xff"
                                    "b\xe2\x8c"),
              std::u32string(U"a\uFFFDb\uFFFD\uFFFD"));
}

TEST(Utf8, EncodesWhatItDecodesAndUpperCasesBeyondAscii) {
    std::string text = "⌃⌥⌘P ü 😀";
    EXPECT_EQ(utf8::encode(*utf8::decode(text)), text);
    std::string replaced;
    utf8::append(replaced, 0xD800);
    EXPECT_EQ(replaced, "\uFFFD");
    EXPECT_EQ(utf8::uppercased(U"pü§éж1"), std::u32string(U"PÜ§ÉЖ1"));
}

TEST(Utf8, KnowsUnicodeWhiteSpaceAndTrimsIt) {
    for (char32_t c : {U' ', U'\t', U'\n', U'\u00A0', U'\u2003', U'\u3000'}) {
        EXPECT_TRUE(utf8::isWhitespace(c)) << static_cast<std::uint32_t>(c);
    }
    for (char32_t c : {U'a', U'(', U'⌘', U'\u200B'}) {
        EXPECT_FALSE(utf8::isWhitespace(c)) << static_cast<std::uint32_t>(c);
    }
    EXPECT_EQ(utf8::trimmed(" \u00a0a b\u3000\n"), "a b");
    // Trimming stops at bytes that are not UTF-8.
    EXPECT_EQ(utf8::trimmed(" \xff \xe2\x80"), "\xff \xe2\x80");
}

} // namespace
} // namespace corvale
