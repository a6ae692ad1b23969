#include "CorvaleCore/Json.hpp"

#include <fmt/format.h>

#include <cctype>

namespace corvale::json {

std::string describe(const CodingPath& path) {
    std::string text;
    for (const std::string& key : path) {
        if (!text.empty()) {
            text += '.';
        }
        text += key;
    }
    return text;
}

CodingPath appending(const CodingPath& path, std::string_view key) {
    CodingPath longer = path;
    longer.emplace_back(key);
    return longer;
}

DecodingError::DecodingError(Kind kind, CodingPath path, std::string debugDescription)
    : kind_(kind), path_(std::move(path)), debug_(std::move(debugDescription)) {}

std::string DecodingError::description() const {
    if (kind_ == Kind::keyNotFound) {
        return "The data couldn't be read because it is missing.";
    }
    return "The data couldn't be read because it isn't in the correct format.";
}

Json parse(std::string_view bytes) {
    Json value = Json::parse(bytes, nullptr, false);
    if (value.is_discarded()) {
        throw DecodingError(DecodingError::Kind::dataCorrupted, {},
                            "The given data was not valid JSON.");
    }
    return value;
}

std::string encodeCompact(const Json& value) {
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string encodePretty(const Json& value) {
    return value.dump(2, ' ', false, Json::error_handler_t::replace);
}

const Json* member(const Json& object, std::string_view key) {
    if (!object.is_object()) {
        return nullptr;
    }
    auto found = object.find(key);
    if (found == object.end() || found->is_null()) {
        return nullptr;
    }
    return &*found;
}

namespace {

const char* typeName(const Json& value) {
    if (value.is_null()) {
        return "null";
    }
    return value.type_name();
}

[[noreturn]] void mismatch(const Json& value, const CodingPath& path, std::string_view expected) {
    if (value.is_null()) {
        throw DecodingError(DecodingError::Kind::valueNotFound, path,
                            fmt::format("Expected {} value but found null instead.", expected));
    }
    throw DecodingError(
        DecodingError::Kind::typeMismatch, path,
        fmt::format("Expected to decode {} but found {} instead.", expected, typeName(value)));
}

} // namespace

const Json& requireObject(const Json& value, const CodingPath& path) {
    if (!value.is_object()) {
        mismatch(value, path, "a dictionary");
    }
    return value;
}

std::string decodeString(const Json& value, const CodingPath& path) {
    if (!value.is_string()) {
        mismatch(value, path, "String");
    }
    return value.get<std::string>();
}

bool decodeBool(const Json& value, const CodingPath& path) {
    if (!value.is_boolean()) {
        mismatch(value, path, "Bool");
    }
    return value.get<bool>();
}

std::int64_t decodeInt(const Json& value, const CodingPath& path) {
    if (value.is_number_integer()) {
        if (value.is_number_unsigned() &&
            value.get<std::uint64_t>() > static_cast<std::uint64_t>(INT64_MAX)) {
            throw DecodingError(DecodingError::Kind::dataCorrupted, path,
                                "Parsed JSON number does not fit in Int64.");
        }
        return value.get<std::int64_t>();
    }
    if (value.is_number_float()) {
        double real = value.get<double>();
        if (real >= -9.2233720368547758e18 && real < 9.2233720368547758e18 &&
            real == static_cast<double>(static_cast<std::int64_t>(real))) {
            return static_cast<std::int64_t>(real);
        }
        throw DecodingError(DecodingError::Kind::dataCorrupted, path,
                            "Parsed JSON number does not fit in Int64.");
    }
    mismatch(value, path, "Int64");
}

double decodeDouble(const Json& value, const CodingPath& path) {
    if (!value.is_number()) {
        mismatch(value, path, "Double");
    }
    return value.get<double>();
}

const Json& requireMember(const Json& object, std::string_view key, const CodingPath& path) {
    const Json& checked = requireObject(object, path);
    auto found = checked.find(key);
    if (found == checked.end()) {
        throw DecodingError(DecodingError::Kind::keyNotFound, path,
                            fmt::format("No value associated with key \"{}\".", key));
    }
    if (found->is_null()) {
        throw DecodingError(DecodingError::Kind::valueNotFound, appending(path, key),
                            "Expected a value but found null instead.");
    }
    return *found;
}

std::string iso8601(Date date) {
    auto days = std::chrono::floor<std::chrono::days>(date);
    std::chrono::year_month_day ymd{days};
    std::chrono::hh_mm_ss<std::chrono::seconds> time{date - days};
    return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}Z", static_cast<int>(ymd.year()),
                       static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                       time.hours().count(), time.minutes().count(), time.seconds().count());
}

namespace {

// Reads exactly `width` digits at `at`, advancing it.
std::optional<int> digits(std::string_view text, std::size_t& at, std::size_t width) {
    if (at + width > text.size()) {
        return std::nullopt;
    }
    int value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        char c = text[at + i];
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    at += width;
    return value;
}

bool expect(std::string_view text, std::size_t& at, char c) {
    if (at < text.size() && text[at] == c) {
        ++at;
        return true;
    }
    return false;
}

} // namespace

std::optional<Date> parseIso8601(std::string_view text) {
    // The internet date-time form without fractional seconds: a Z or a numeric offset.
    std::size_t at = 0;
    auto year = digits(text, at, 4);
    if (!year || !expect(text, at, '-')) {
        return std::nullopt;
    }
    auto month = digits(text, at, 2);
    if (!month || !expect(text, at, '-')) {
        return std::nullopt;
    }
    auto day = digits(text, at, 2);
    if (!day || !expect(text, at, 'T')) {
        return std::nullopt;
    }
    auto hour = digits(text, at, 2);
    if (!hour || !expect(text, at, ':')) {
        return std::nullopt;
    }
    auto minute = digits(text, at, 2);
    if (!minute || !expect(text, at, ':')) {
        return std::nullopt;
    }
    auto second = digits(text, at, 2);
    if (!second) {
        return std::nullopt;
    }
    int offsetSeconds = 0;
    if (expect(text, at, 'Z')) {
        // UTC
    } else if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        int sign = text[at] == '+' ? 1 : -1;
        ++at;
        auto offsetHours = digits(text, at, 2);
        if (!offsetHours || !expect(text, at, ':')) {
            return std::nullopt;
        }
        auto offsetMinutes = digits(text, at, 2);
        if (!offsetMinutes || *offsetHours > 23 || *offsetMinutes > 59) {
            return std::nullopt;
        }
        offsetSeconds = sign * (*offsetHours * 3600 + *offsetMinutes * 60);
    } else {
        return std::nullopt;
    }
    if (at != text.size()) {
        return std::nullopt;
    }
    std::chrono::year_month_day ymd{std::chrono::year{*year},
                                    std::chrono::month{static_cast<unsigned>(*month)},
                                    std::chrono::day{static_cast<unsigned>(*day)}};
    if (!ymd.ok() || *hour > 23 || *minute > 59 || *second > 59) {
        return std::nullopt;
    }
    Date date = std::chrono::sys_days{ymd} + std::chrono::hours{*hour} +
                std::chrono::minutes{*minute} + std::chrono::seconds{*second};
    return date - std::chrono::seconds{offsetSeconds};
}

} // namespace corvale::json
