#pragma once

#include <optional>
#include <string_view>
#include <vector>

// Path data in the SVG path syntax, as drawings ship it: the commands M, L, H, V, C and Z (upper
// case absolute, lower case relative to the current point) and decimal numbers with an optional
// sign, fraction and exponent, separated by white space, commas or nothing where unambiguous.
// The result is absolute moves, lines and cubic curves, ready for any painter.
namespace corvale::SvgPath {

struct Point {
    double x = 0;
    double y = 0;
    bool operator==(const Point&) const = default;
};

struct Segment {
    enum class Kind { move, line, curve, close };

    Kind kind = Kind::move;
    // The end point; for a curve, first its two control points. A close has none.
    std::vector<Point> points;

    bool operator==(const Segment&) const = default;
};

// The segments `data` draws; none when it is not path data (an unknown command, a number
// missing or malformed, one out of range, or numbers before the first move).
std::optional<std::vector<Segment>> parse(std::string_view data);

} // namespace corvale::SvgPath
