#include "CorvaleCore/KeyCombo.hpp"

#include <gtest/gtest.h>

#include <map>

namespace corvale {
namespace {

using json::DecodingError;

constexpr std::uint32_t ctrlOptCmd = KeyCombo::control | KeyCombo::option | KeyCombo::command;

KeyCombo::Layout layoutOf(std::map<std::uint32_t, std::string> characters) {
    return [characters](std::uint32_t keyCode) -> std::optional<std::string> {
        auto found = characters.find(keyCode);
        if (found == characters.end()) {
            return std::nullopt;
        }
        return found->second;
    };
}

// Puts the process's layout back after a test.
class ScopedLayout {
public:
    explicit ScopedLayout(KeyCombo::Layout layout)
        : saved_(KeyCombo::setKeyboardLayout(std::move(layout))) {}
    ~ScopedLayout() { KeyCombo::setKeyboardLayout(std::move(saved_)); }

private:
    KeyCombo::Layout saved_;
};

KeyCombo decoded(std::string_view text) {
    return json::decode<KeyCombo>(text);
}

DecodingError::Kind decodingFailure(std::string_view text) {
    try {
        json::decode<KeyCombo>(text);
    } catch (const DecodingError& error) {
        return error.kind();
    }
    ADD_FAILURE() << "decoded " << text;
    return DecodingError::Kind::dataCorrupted;
}

TEST(KeyComboJson, RoundTripsAndNeedsBothKeysAsUnsigned32BitIntegers) {
    KeyCombo combo(35, ctrlOptCmd);
    EXPECT_EQ(json::encodeCompact(json::encode(combo)), R"({"keyCode":35,"modifiers":6400})");
    EXPECT_EQ(decoded(R"({"modifiers":6400,"keyCode":35})"), combo);
    EXPECT_EQ(decoded(R"({"keyCode":4294967295,"modifiers":0})").keyCode, 4294967295u);

    EXPECT_EQ(decodingFailure(R"({"keyCode":35})"), DecodingError::Kind::keyNotFound);
    EXPECT_EQ(decodingFailure(R"({"keyCode":35,"modifiers":null})"),
              DecodingError::Kind::valueNotFound);
    EXPECT_EQ(decodingFailure(R"({"keyCode":"35","modifiers":256})"),
              DecodingError::Kind::typeMismatch);
    EXPECT_EQ(decodingFailure(R"({"keyCode":-1,"modifiers":256})"),
              DecodingError::Kind::dataCorrupted);
    EXPECT_EQ(decodingFailure(R"({"keyCode":35.5,"modifiers":256})"),
              DecodingError::Kind::dataCorrupted);
    EXPECT_EQ(decodingFailure("[35, 256]"), DecodingError::Kind::typeMismatch);
}

TEST(KeyCombo, TheKeyCodeMustFitIn32Bits) {
    EXPECT_EQ(KeyCombo(4294967295, 0).keyCode, 4294967295u);
    EXPECT_THROW(KeyCombo(4294967296, 0), KeyCodeError);
    try {
        KeyCombo(-7, 0);
        FAIL();
    } catch (const KeyCodeError& error) {
        EXPECT_EQ(error.description(), "The key code -7 is out of range.");
    }
}

TEST(KeyCombo, SafeDefaultsAreGlobalLettersDigitsAndArrows) {
    EXPECT_FALSE(KeyCombo(96, KeyCombo::command).isSafeDefault());                    // ⌘F5
    EXPECT_TRUE(KeyCombo(123, KeyCombo::control | KeyCombo::option).isSafeDefault()); // ⌃⌥←
    EXPECT_FALSE(KeyCombo(35, KeyCombo::shift).isSafeDefault());                      // not global
    EXPECT_TRUE(KeyCombo(0, KeyCombo::command).isSafeDefault());                      // ⌘A
    EXPECT_TRUE(KeyCombo(29, KeyCombo::option).isSafeDefault());                      // ⌥0
    // Neighbours that are not letters or digits: the ISO section key, return, "=", "-".
    for (std::uint32_t code : {10u, 24u, 27u, 36u, 30u, 33u, 122u}) {
        EXPECT_FALSE(KeyCombo(code, KeyCombo::command).isSafeDefault()) << code;
    }
}

TEST(KeyComboNames, TheTableComesFirstThenTheLayoutUpperCasedThenTheCode) {
    // A layout that would type something for the arrow is not asked about it.
    KeyCombo::Layout layout = layoutOf({{123, "x"},
                                        {35, "p"},
                                        {33, "ü"},
                                        {50, "`"},
                                        {1, ""},
                                        {2, "\x03"},
                                        {3, "\xff\xfe"},
                                        {4, "\x7f"},
                                        {5, "a\rb"}});
    EXPECT_EQ(KeyCombo::keyName(123, layout), "←");
    EXPECT_EQ(KeyCombo::keyName(35, layout), "P");
    EXPECT_EQ(KeyCombo::keyName(33, layout), "Ü");
    EXPECT_EQ(KeyCombo::keyName(50, layout), "`");
    EXPECT_EQ(KeyCombo::keyName(105, layout), "#105");
    EXPECT_EQ(KeyCombo::keyName(35, KeyCombo::Layout()), "#35");
    // What the layout types must be printable.
    for (std::uint32_t code : {1u, 2u, 3u, 4u, 5u}) {
        EXPECT_EQ(KeyCombo::keyName(code, layout), "#" + std::to_string(code));
    }
}

TEST(KeyComboNames, TheDisplayUsesTheLayoutInUse) {
    ScopedLayout us{layoutOf({{35, "p"}, {6, "z"}})};
    EXPECT_EQ(KeyCombo(35, ctrlOptCmd).display(), "⌃⌥⌘P");
    EXPECT_EQ(KeyCombo(49, KeyCombo::control).display(), "⌃Space");
    EXPECT_EQ(KeyCombo(96, KeyCombo::command | KeyCombo::shift).display(), "⇧⌘F5");
    {
        // The user switches to a layout with Y and Z the other way round.
        ScopedLayout german{layoutOf({{6, "y"}})};
        EXPECT_EQ(KeyCombo(6, KeyCombo::command).display(), "⌘Y");
    }
    EXPECT_EQ(KeyCombo(6, KeyCombo::command).display(), "⌘Z");
}

} // namespace
} // namespace corvale
