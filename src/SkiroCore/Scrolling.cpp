#include "SkiroCore/Scrolling.hpp"

namespace skiro {

std::string_view toString(Device device) {
    return device == Device::trackpad ? "trackpad" : "mouse";
}

std::string_view toString(Axis axis) {
    return axis == Axis::vertical ? "vertical" : "horizontal";
}

std::string_view toString(Direction direction) {
    return direction == Direction::natural ? "natural" : "standard";
}

namespace {

template <class E>
std::optional<E> fromText(std::string_view text) {
    for (E value : allCases<E>) {
        if (toString(value) == text) {
            return value;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<Device> deviceFromString(std::string_view text) {
    return fromText<Device>(text);
}

std::optional<Axis> axisFromString(std::string_view text) {
    return fromText<Axis>(text);
}

std::optional<Direction> directionFromString(std::string_view text) {
    return fromText<Direction>(text);
}

Directions Directions::system(bool systemNatural) {
    Direction all = systemNatural ? Direction::natural : Direction::standard;
    return Directions{all, all, all, all};
}

Direction& Directions::at(Device device, Axis axis) {
    if (device == Device::trackpad) {
        return axis == Axis::vertical ? trackpadVertical : trackpadHorizontal;
    }
    return axis == Axis::vertical ? mouseVertical : mouseHorizontal;
}

Direction Directions::at(Device device, Axis axis) const {
    return const_cast<Directions&>(*this).at(device, axis);
}

Flip Flip::rule(Device device, bool systemNatural, const Directions& directions,
                std::optional<Axis> wheelFollows) {
    Direction system = systemNatural ? Direction::natural : Direction::standard;
    Direction vertical = directions.at(device, wheelFollows.value_or(Axis::vertical));
    Direction horizontal = directions.at(device, wheelFollows.value_or(Axis::horizontal));
    return Flip{vertical != system, horizontal != system};
}

} // namespace skiro

namespace corvale::json {

Json Coding<skiro::Device>::encode(skiro::Device value) {
    return std::string(skiro::toString(value));
}
skiro::Device Coding<skiro::Device>::decode(const Json& json, const CodingPath& path) {
    return decodeTextForm<skiro::Device>(json, path, skiro::deviceFromString);
}

Json Coding<skiro::Axis>::encode(skiro::Axis value) {
    return std::string(skiro::toString(value));
}
skiro::Axis Coding<skiro::Axis>::decode(const Json& json, const CodingPath& path) {
    return decodeTextForm<skiro::Axis>(json, path, skiro::axisFromString);
}

Json Coding<skiro::Direction>::encode(skiro::Direction value) {
    return std::string(skiro::toString(value));
}
skiro::Direction Coding<skiro::Direction>::decode(const Json& json, const CodingPath& path) {
    return decodeTextForm<skiro::Direction>(json, path, skiro::directionFromString);
}

namespace {

struct DirectionKey {
    const char* key;
    skiro::Direction skiro::Directions::*field;
};

constexpr DirectionKey directionKeys[] = {
    {"trackpadVertical", &skiro::Directions::trackpadVertical},
    {"trackpadHorizontal", &skiro::Directions::trackpadHorizontal},
    {"mouseVertical", &skiro::Directions::mouseVertical},
    {"mouseHorizontal", &skiro::Directions::mouseHorizontal},
};

} // namespace

Json Coding<skiro::Directions>::encode(const skiro::Directions& value) {
    Json object = Json::object();
    for (const DirectionKey& entry : directionKeys) {
        object[entry.key] = json::encode(value.*entry.field);
    }
    return object;
}

skiro::Directions Coding<skiro::Directions>::decode(const Json& json, const CodingPath& path) {
    requireObject(json, path);
    skiro::Directions decoded; // the defaults stand for missing keys
    for (const DirectionKey& entry : directionKeys) {
        if (const Json* value = member(json, entry.key)) {
            decoded.*entry.field =
                json::decode<skiro::Direction>(*value, appending(path, entry.key));
        }
    }
    return decoded;
}

} // namespace corvale::json
