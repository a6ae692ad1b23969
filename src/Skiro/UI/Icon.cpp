#include "Skiro/UI/Icon.hpp"

#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cmath>
#include <numbers>

namespace skiro::Icon {

namespace {

constexpr QPointF centre{10, 8};
constexpr double outerRadius = 7.2;
constexpr double innerRadius = 3.9;
constexpr std::array<double, 7> segmentAlphas{0.3, 0.4167, 0.5333, 0.65, 0.7667, 0.8833, 1.0};

QPointF onCircle(double radius, double degrees) {
    const double radians = degrees * std::numbers::pi / 180;
    return centre + QPointF(radius * std::cos(radians), radius * std::sin(radians));
}

// Segment k: clockwise on the outer circle from 100 - 46k to 64 - 46k degrees, back on the
// inner one. Drawn as fine polygons so the angles read as they do with the origin at the bottom.
QPainterPath segment(int k) {
    const double from = 100 - 46.0 * k;
    const double to = 64 - 46.0 * k;
    constexpr int steps = 36;
    QPainterPath path(onCircle(outerRadius, from));
    for (int i = 1; i <= steps; ++i) {
        path.lineTo(onCircle(outerRadius, from + (to - from) * i / steps));
    }
    for (int i = 0; i <= steps; ++i) {
        path.lineTo(onCircle(innerRadius, to + (from - to) * i / steps));
    }
    path.closeSubpath();
    return path;
}

QColor black(double alpha) {
    QColor colour(Qt::black);
    colour.setAlphaF(static_cast<float>(alpha));
    return colour;
}

// Points with the origin at the bottom left, as the geometry is given.
void usePoints(QPainter& painter, qreal scale) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
    painter.translate(0, 16);
    painter.scale(1, -1);
    painter.setPen(Qt::NoPen);
}

QImage blank(qreal scale) {
    QImage image(static_cast<int>(std::lround(20 * scale)),
                 static_cast<int>(std::lround(16 * scale)), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

} // namespace

QImage menuBar(Live::State state, bool dot, qreal scale) {
    // The ring is drawn in a layer of its own, then laid down at the layer's alpha.
    QImage ring = blank(scale);
    {
        QPainter painter(&ring);
        usePoints(painter, scale);
        for (int k = 0; k < 7; ++k) {
            painter.fillPath(segment(k), black(segmentAlphas[static_cast<std::size_t>(k)]));
        }
    }
    QImage image = blank(scale);
    QPainter painter(&image);
    painter.setOpacity(state == Live::State::running ? 1.0 : 0.4);
    painter.drawImage(0, 0, ring);
    painter.setOpacity(1.0);
    usePoints(painter, scale);
    switch (state) {
    case Live::State::running:
    case Live::State::paused:
        painter.setBrush(black(state == Live::State::running ? 1.0 : 0.4));
        painter.drawEllipse(QRectF(7.7, 5.7, 4.6, 4.6));
        break;
    case Live::State::waiting:
    case Live::State::stopped:
        painter.setBrush(black(1.0));
        painter.drawRoundedRect(QRectF(9.1, 7.4, 1.8, 4.2), 0.9, 0.9);
        painter.drawEllipse(QRectF(9.05, 4.8, 1.9, 1.9));
        break;
    }
    if (dot) {
        painter.setCompositionMode(QPainter::CompositionMode_Clear);
        painter.drawEllipse(QRectF(13.5, 9.5, 7, 7));
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setBrush(black(1.0));
        painter.drawEllipse(QRectF(15, 11, 4, 4));
    }
    return image;
}

QImage tinted(const QImage& image, const QColor& colour) {
    QImage shaped(image.size(), QImage::Format_ARGB32_Premultiplied);
    shaped.setDevicePixelRatio(image.devicePixelRatio());
    shaped.fill(Qt::transparent);
    QPainter painter(&shaped);
    painter.drawImage(0, 0, image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(shaped.rect(), colour);
    return shaped;
}

} // namespace skiro::Icon
