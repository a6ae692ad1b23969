// Path data is drawn as shipped, but any text must parse or not without harm, and what parses
// is a drawing a painter can take: it starts with a move, every point is finite, each segment
// has the points its kind needs.
#include "Corvale/SvgPath.hpp"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto segments = corvale::SvgPath::parse(text);
    if (!segments) {
        return 0;
    }
    using Kind = corvale::SvgPath::Segment::Kind;
    if (!segments->empty() && segments->front().kind != Kind::move) {
        std::abort();
    }
    for (const auto& segment : *segments) {
        const std::size_t needed = segment.kind == Kind::curve   ? 3
                                   : segment.kind == Kind::close ? 0
                                                                 : 1;
        if (segment.points.size() != needed) {
            std::abort();
        }
        for (const auto& point : segment.points) {
            // Sums of finite numbers may overflow to infinity; that is the painter's to clip,
            // but never a NaN.
            if (std::isnan(point.x) || std::isnan(point.y)) {
                std::abort();
            }
        }
    }
    return 0;
}
