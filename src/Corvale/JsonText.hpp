#pragma once

#include "CorvaleCore/Json.hpp"

#include <optional>
#include <string>

// JSON text for people: pretty-printed, keys sorted, and only for values that JSON can hold.
namespace corvale::JsonText {

// Whether the whole value has a JSON form: numbers that are not finite have none (the encoder
// would quietly write null), nor have binary values.
bool isJSON(const json::Json& value);

// Indented by two spaces with sorted keys; none when the value has no JSON form or holds text
// that is not UTF-8.
std::optional<std::string> pretty(const json::Json& value);

} // namespace corvale::JsonText
