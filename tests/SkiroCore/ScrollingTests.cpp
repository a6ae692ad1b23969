#include "SkiroCore/ScrollDeltas.hpp"
#include "SkiroCore/Scrolling.hpp"

#include <gtest/gtest.h>

#include <limits>

namespace skiro {
namespace {

using corvale::json::decode;
using corvale::json::DecodingError;
using corvale::json::encode;
using corvale::json::Json;

TEST(TextForms, RoundTripAndExactMatchAndAnUnknownTextIsDataCorrupted) {
    for (Device d : allCases<Device>) {
        EXPECT_EQ(deviceFromString(toString(d)), d);
    }
    for (Axis a : allCases<Axis>) {
        EXPECT_EQ(axisFromString(toString(a)), a);
    }
    for (Direction d : allCases<Direction>) {
        EXPECT_EQ(directionFromString(toString(d)), d);
    }
    EXPECT_EQ(directionFromString("Natural"), std::nullopt);
    EXPECT_EQ(deviceFromString("mouse "), std::nullopt);
    EXPECT_EQ(decode<Device>(Json("mouse")), Device::mouse);
    try {
        decode<Axis>(Json("diagonal"));
        FAIL();
    } catch (const DecodingError& error) {
        EXPECT_EQ(error.kind(), DecodingError::Kind::dataCorrupted);
    }
    EXPECT_THROW(decode<Direction>(Json(1)), DecodingError);
}

TEST(Directions, JsonFillsMissingKeysWithDefaultsAndFailsAsAWhole) {
    EXPECT_EQ(decode<Directions>(std::string_view("{}")), Directions{});
    Directions d = decode<Directions>(std::string_view(R"({"mouseVertical": "natural"})"));
    EXPECT_EQ(d, (Directions{Direction::natural, Direction::natural, Direction::natural,
                             Direction::standard}));
    Directions withNullAndExtra =
        decode<Directions>(std::string_view(R"({"trackpadVertical": null, "colour": "blue"})"));
    EXPECT_EQ(withNullAndExtra, Directions{});
    EXPECT_EQ(encode(d).size(), 4u);
    EXPECT_EQ(decode<Directions>(encode(d)), d);
    for (std::string_view bytes :
         {R"({"mouseVertical": "Natural"})",
          R"({"trackpadVertical": "standard", "mouseHorizontal": 1})", R"([])"}) {
        EXPECT_THROW(decode<Directions>(bytes), DecodingError) << bytes;
    }
}

TEST(FlipRule, EachAxisFlipsWhereTheChoiceDiffersFromTheSystem) {
    Directions d{Direction::natural, Direction::standard, Direction::standard, Direction::natural};
    struct Case {
        Device device;
        bool systemNatural;
        std::optional<Axis> wheelFollows;
        Flip expected;
    };
    const Case cases[] = {
        {Device::mouse, true, std::nullopt, {true, false}},
        {Device::mouse, true, Axis::horizontal, {false, false}},
        {Device::mouse, true, Axis::vertical, {true, true}},
        {Device::mouse, false, std::nullopt, {false, true}},
        {Device::trackpad, true, std::nullopt, {false, true}},
        {Device::trackpad, false, std::nullopt, {true, false}},
        {Device::trackpad, false, Axis::vertical, {true, true}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Flip::rule(c.device, c.systemNatural, d, c.wheelFollows), c.expected)
            << toString(c.device) << " natural=" << c.systemNatural;
    }
}

TEST(FlipRule, FollowingTheSystemFlipsNothing) {
    for (bool natural : {true, false}) {
        for (Device device : allCases<Device>) {
            for (std::optional<Axis> w : {std::optional<Axis>{}, std::optional{Axis::vertical},
                                          std::optional{Axis::horizontal}}) {
                EXPECT_EQ(Flip::rule(device, natural, Directions::system(natural), w), Flip::none);
            }
        }
    }
}

} // namespace
} // namespace skiro
