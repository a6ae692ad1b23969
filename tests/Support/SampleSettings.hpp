#pragma once

#include "CorvaleCore/Json.hpp"

#include <cstdint>
#include <optional>
#include <string>

namespace corvale::test {

// A settings model that is not the application's: the framework's pieces are checked with it,
// including a date and an optional that its default value leaves out of its encoding.
struct SampleSettings {
    std::string theme = "light";
    std::int64_t volume = 5;
    std::optional<json::Date> reminder;

    // The default leaves "reminder" out, so the model names it here.
    static SampleSettings everySetting() {
        SampleSettings every;
        every.reminder = json::Date{};
        return every;
    }

    bool operator==(const SampleSettings&) const = default;
};

} // namespace corvale::test

template <>
struct corvale::json::Coding<corvale::test::SampleSettings> {
    static Json encode(const corvale::test::SampleSettings& value) {
        Json object = Json::object();
        object["theme"] = value.theme;
        object["volume"] = value.volume;
        if (value.reminder) {
            object["reminder"] = iso8601(*value.reminder);
        }
        return object;
    }

    static corvale::test::SampleSettings decode(const Json& json, const CodingPath& path) {
        requireObject(json, path);
        corvale::test::SampleSettings value;
        if (const Json* theme = member(json, "theme")) {
            value.theme = decodeString(*theme, appending(path, "theme"));
        }
        if (const Json* volume = member(json, "volume")) {
            value.volume = decodeInt(*volume, appending(path, "volume"));
        }
        if (const Json* reminder = member(json, "reminder")) {
            CodingPath at = appending(path, "reminder");
            value.reminder = parseIso8601(decodeString(*reminder, at));
            if (!value.reminder) {
                throw DecodingError(DecodingError::Kind::dataCorrupted, at,
                                    "Expected date string to be ISO8601-formatted.");
            }
        }
        return value;
    }
};
