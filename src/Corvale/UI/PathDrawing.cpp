#include "Corvale/UI/PathDrawing.hpp"

namespace corvale {

QPainterPath painterPath(const std::vector<SvgPath::Segment>& segments) {
    QPainterPath path;
    auto at = [](const SvgPath::Point& point) { return QPointF(point.x, point.y); };
    for (const SvgPath::Segment& segment : segments) {
        switch (segment.kind) {
        case SvgPath::Segment::Kind::move:
            path.moveTo(at(segment.points[0]));
            break;
        case SvgPath::Segment::Kind::line:
            path.lineTo(at(segment.points[0]));
            break;
        case SvgPath::Segment::Kind::curve:
            path.cubicTo(at(segment.points[0]), at(segment.points[1]), at(segment.points[2]));
            break;
        case SvgPath::Segment::Kind::close:
            path.closeSubpath();
            break;
        }
    }
    return path;
}

QPainterPath painterPath(std::string_view data) {
    return painterPath(SvgPath::parse(data).value_or(std::vector<SvgPath::Segment>{}));
}

} // namespace corvale
