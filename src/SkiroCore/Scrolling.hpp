#pragma once

#include "CorvaleCore/Json.hpp"

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>

// The words the whole system speaks about scrolling: which device, which axis, which way.
namespace skiro {

enum class Device { trackpad, mouse };
enum class Axis { vertical, horizontal };
enum class Direction { natural, standard };

std::string_view toString(Device device);
std::string_view toString(Axis axis);
std::string_view toString(Direction direction);

// Exact, case-sensitive: "Natural" names no direction.
std::optional<Device> deviceFromString(std::string_view text);
std::optional<Axis> axisFromString(std::string_view text);
std::optional<Direction> directionFromString(std::string_view text);

template <class E>
inline constexpr std::array<E, 2> allCases{};
template <>
inline constexpr std::array<Device, 2> allCases<Device>{Device::trackpad, Device::mouse};
template <>
inline constexpr std::array<Axis, 2> allCases<Axis>{Axis::vertical, Axis::horizontal};
template <>
inline constexpr std::array<Direction, 2> allCases<Direction>{Direction::natural,
                                                              Direction::standard};

// The user's choice for each device and axis.
struct Directions {
    Direction trackpadVertical = Direction::natural;
    Direction trackpadHorizontal = Direction::natural;
    Direction mouseVertical = Direction::standard;
    Direction mouseHorizontal = Direction::standard;

    // Every device follows the system: all natural when the system is natural, else all standard.
    static Directions system(bool systemNatural);

    // directions[device, axis]
    Direction& at(Device device, Axis axis);
    Direction at(Device device, Axis axis) const;

    bool operator==(const Directions&) const = default;
};

// Whether to negate each axis of one scroll.
struct Flip {
    bool vertical = false;
    bool horizontal = false;

    static const Flip none;

    // The system already applied its own direction; flip exactly where the user's choice for
    // this device and axis disagrees. With `wheelFollows` set both axes obey that one setting.
    static Flip rule(Device device, bool systemNatural, const Directions& directions,
                     std::optional<Axis> wheelFollows);

    bool isNone() const { return !vertical && !horizontal; }
    bool operator==(const Flip&) const = default;
};

inline constexpr Flip Flip::none{};

} // namespace skiro

template <>
struct std::hash<skiro::Device> {
    std::size_t operator()(skiro::Device d) const noexcept { return static_cast<std::size_t>(d); }
};
template <>
struct std::hash<skiro::Axis> {
    std::size_t operator()(skiro::Axis a) const noexcept { return static_cast<std::size_t>(a); }
};
template <>
struct std::hash<skiro::Direction> {
    std::size_t operator()(skiro::Direction d) const noexcept {
        return static_cast<std::size_t>(d);
    }
};

namespace corvale::json {

template <>
struct Coding<skiro::Device> {
    static Json encode(skiro::Device value);
    static skiro::Device decode(const Json& json, const CodingPath& path);
};
template <>
struct Coding<skiro::Axis> {
    static Json encode(skiro::Axis value);
    static skiro::Axis decode(const Json& json, const CodingPath& path);
};
template <>
struct Coding<skiro::Direction> {
    static Json encode(skiro::Direction value);
    static skiro::Direction decode(const Json& json, const CodingPath& path);
};

// All four keys written; a missing or null key takes its default; other keys are ignored; a key
// that holds no direction fails the whole decoding.
template <>
struct Coding<skiro::Directions> {
    static Json encode(const skiro::Directions& value);
    static skiro::Directions decode(const Json& json, const CodingPath& path);
};

} // namespace corvale::json
