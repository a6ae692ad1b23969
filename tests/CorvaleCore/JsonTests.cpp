#include "CorvaleCore/Json.hpp"

#include <gtest/gtest.h>

namespace corvale::json {
namespace {

using Kind = DecodingError::Kind;

template <class F>
DecodingError caught(F&& f) {
    try {
        f();
    } catch (const DecodingError& error) {
        return error;
    }
    ADD_FAILURE() << "no DecodingError thrown";
    return DecodingError(Kind::dataCorrupted, {}, "");
}

TEST(JsonDecoding, NotJsonIsDataCorruptedTypedErrorsNameWhatAndWhereIntegersMustFit) {
    for (std::string_view bytes : {"", "{", "nope", "{\"a\": }"}) {
        DecodingError error = caught([&] { parse(bytes); });
        EXPECT_EQ(error.kind(), Kind::dataCorrupted) << bytes;
        EXPECT_EQ(error.description(),
                  "The data couldn't be read because it isn't in the correct format.");
    }

    // Typed errors name what and where.
    Json object = parse(R"({"name": 3, "gone": null, "flag": true})");

    DecodingError wrongType = caught([&] { decodeString(object["name"], {"name"}); });
    EXPECT_EQ(wrongType.kind(), Kind::typeMismatch);
    EXPECT_EQ(describe(wrongType.codingPath()), "name");

    DecodingError missing = caught([&] { requireMember(object, "absent", {}); });
    EXPECT_EQ(missing.kind(), Kind::keyNotFound);
    EXPECT_EQ(missing.description(), "The data couldn't be read because it is missing.");

    DecodingError null = caught([&] { requireMember(object, "gone", {}); });
    EXPECT_EQ(null.kind(), Kind::valueNotFound);

    EXPECT_TRUE(decodeBool(requireMember(object, "flag", {}), {"flag"}));
    EXPECT_EQ(member(object, "gone"), nullptr);
    EXPECT_EQ(member(Json::array(), "flag"), nullptr);

    // Integers must fit.
    EXPECT_EQ(decodeInt(parse("-9223372036854775808"), {}), INT64_MIN);
    EXPECT_EQ(decodeInt(parse("4.0"), {}), 4);
    EXPECT_EQ(caught([] { decodeInt(parse("9223372036854775808"), {}); }).kind(),
              Kind::dataCorrupted);
    EXPECT_EQ(caught([] { decodeInt(parse("4.5"), {}); }).kind(), Kind::dataCorrupted);
    EXPECT_EQ(caught([] { decodeInt(parse("\"4\""), {}); }).kind(), Kind::typeMismatch);
}

TEST(Iso8601, WritesUtcWithWholeSecondsAndZAndRejectsOtherForms) {
    using namespace std::chrono;
    Date date = sys_days{year{2026} / March / 1} + hours{9} + minutes{30};
    EXPECT_EQ(iso8601(date), "2026-03-01T09:30:00Z");
    EXPECT_EQ(parseIso8601("2026-03-01T09:30:00Z"), date);
    EXPECT_EQ(parseIso8601("2026-03-01T10:30:00+01:00"), date);
    EXPECT_EQ(iso8601(Date{}), "1970-01-01T00:00:00Z");
    for (std::string_view text :
         {"2026-03-01T09:30:00.5Z", "2026-03-01 09:30:00Z", "2026-03-01T09:30:00",
          "2026-02-30T09:30:00Z", "2026-03-01T24:00:00Z", "2026-3-01T09:30:00Z", "",
          "2026-03-01T09:30:00Zjunk", "yesterday"}) {
        EXPECT_FALSE(parseIso8601(text).has_value()) << text;
    }
}

} // namespace
} // namespace corvale::json
