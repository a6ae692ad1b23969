#pragma once

#include "CorvaleCore/Error.hpp"

#include <nlohmann/json.hpp>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// JSON coding helpers shared by every module's JSON forms: typed decoding errors that say what
// was wrong and where, sorted encoders, and ISO 8601 dates.
namespace corvale::json {

using Json = nlohmann::json;

// Where in a document a value sits: object keys, or array indexes written as "Index N".
using CodingPath = std::vector<std::string>;

std::string describe(const CodingPath& path);
CodingPath appending(const CodingPath& path, std::string_view key);

class DecodingError : public Error {
public:
    enum class Kind { typeMismatch, valueNotFound, keyNotFound, dataCorrupted };

    DecodingError(Kind kind, CodingPath path, std::string debugDescription);

    Kind kind() const { return kind_; }
    const CodingPath& codingPath() const { return path_; }
    const std::string& debugDescription() const { return debug_; }

    std::string description() const override;

private:
    Kind kind_;
    CodingPath path_;
    std::string debug_;
};

// Parses bytes as JSON; bytes that are not JSON fail with a data-corrupted error.
Json parse(std::string_view bytes);

// Keys come out sorted at every level (objects are ordered maps).
std::string encodeCompact(const Json& value);
std::string encodePretty(const Json& value);

// A member of an object, or nullptr when the key is missing or holds null.
const Json* member(const Json& object, std::string_view key);

const Json& requireObject(const Json& value, const CodingPath& path);
std::string decodeString(const Json& value, const CodingPath& path);
bool decodeBool(const Json& value, const CodingPath& path);
std::int64_t decodeInt(const Json& value, const CodingPath& path);
double decodeDouble(const Json& value, const CodingPath& path);

// A required member: missing fails with keyNotFound, null with valueNotFound.
const Json& requireMember(const Json& object, std::string_view key, const CodingPath& path);

// A value with a text form, decoded through its `from...` function.
template <class T, class FromText>
T decodeTextForm(const Json& value, const CodingPath& path, FromText fromText) {
    std::string text = decodeString(value, path);
    if (std::optional<T> decoded = fromText(text)) {
        return *decoded;
    }
    throw DecodingError(DecodingError::Kind::dataCorrupted, path,
                        "Cannot initialize from invalid value " + text);
}

// Coding of a type: specialise with `static Json encode(const T&)` and
// `static T decode(const Json&, const CodingPath&)`.
template <class T>
struct Coding;

template <class T>
Json encode(const T& value) {
    return Coding<T>::encode(value);
}

template <class T>
T decode(const Json& value, const CodingPath& path = {}) {
    return Coding<T>::decode(value, path);
}

template <class T>
T decode(std::string_view bytes) {
    return Coding<T>::decode(parse(bytes), {});
}

// ISO 8601 in UTC with whole seconds and a trailing Z, for example 2026-03-01T09:30:00Z.
using Date = std::chrono::sys_seconds;
std::string iso8601(Date date);
std::optional<Date> parseIso8601(std::string_view text);

} // namespace corvale::json
