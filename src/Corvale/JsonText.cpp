#include "Corvale/JsonText.hpp"

#include <algorithm>
#include <cmath>

namespace corvale::JsonText {

bool isJSON(const json::Json& value) {
    if (value.is_number_float()) {
        return std::isfinite(value.get<double>());
    }
    if (value.is_structured()) {
        return std::all_of(value.begin(), value.end(),
                           [](const json::Json& v) { return isJSON(v); });
    }
    return !value.is_binary() && !value.is_discarded();
}

std::optional<std::string> pretty(const json::Json& value) {
    if (!isJSON(value)) {
        return std::nullopt;
    }
    try {
        return value.dump(2, ' ', false, json::Json::error_handler_t::strict);
    } catch (const json::Json::exception&) {
        return std::nullopt;
    }
}

} // namespace corvale::JsonText
