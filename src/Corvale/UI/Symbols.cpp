#include "Corvale/UI/Symbols.hpp"

#include "Corvale/UI/PathDrawing.hpp"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>

#include <cmath>
#include <numbers>

namespace corvale::Symbols {

namespace {

// Every drawing works in a 24-unit square.
constexpr qreal unit = 24;

void checkmarkCircleFill(QPainter& p, const QColor& color) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(QRectF(1, 1, 22, 22));
    p.setPen(QPen(Qt::white, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF{{7, 12.5}, {10.5, 16}, {17, 8.5}});
}

void lockOpen(QPainter& p, const QColor& color) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRoundedRect(QRectF(3, 11, 14, 11), 2.5, 2.5);
    p.setPen(QPen(color, 2.4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath shackle;
    shackle.moveTo(13, 11);
    shackle.lineTo(13, 7);
    shackle.arcTo(QRectF(13, 2, 8, 10), 180, -180);
    shackle.lineTo(21, 9);
    p.drawPath(shackle);
}

void menubarRectangle(QPainter& p, const QColor& color) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(color, 1.8));
    p.drawRoundedRect(QRectF(2, 4, 20, 16), 3, 3);
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRect(QRectF(2.9, 4.9, 18.2, 4));
}

void hourglass(QPainter& p, const QColor& color) {
    p.setPen(QPen(color, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(5, 2.5), QPointF(19, 2.5));
    p.drawLine(QPointF(5, 21.5), QPointF(19, 21.5));
    p.drawPolygon(QPolygonF{{7, 3}, {17, 3}, {12, 12}, {17, 21}, {7, 21}, {12, 12}});
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPolygon(QPolygonF{{8.5, 20.5}, {15.5, 20.5}, {12, 16}});
}

void exclamationTriangle(QPainter& p, const QColor& color) {
    p.setPen(QPen(color, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolygon(QPolygonF{{12, 2.5}, {22.5, 21}, {1.5, 21}});
    p.setPen(QPen(color, 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(12, 9), QPointF(12, 14.5));
    p.drawPoint(QPointF(12, 18));
}

// Outlines on the same grid, stroked.
constexpr const char* arrowsUpDown = "M8 20V4M8 4L4 8M8 4L12 8M16 4V20M16 20L12 16M16 20L20 16";
// A cup with a handle and steam.
constexpr const char* cupAndSteam = "M4 10H17V15C17 18.3 14.3 21 11 21H10C6.7 21 4 18.3 4 15Z"
                                    "M17 12H18.5C19.9 12 21 13.1 21 14.5C21 15.9 19.9 17 18.5 17H17"
                                    "M8 3C7 4.5 9 5.5 8 7M12 3C11 4.5 13 5.5 12 7";

QPainterPath gear() {
    QPainterPath path;
    const int teeth = 8;
    const double outer = 10.5;
    const double inner = 8;
    for (int i = 0; i < teeth * 4; ++i) {
        const double angle = (i + 0.5) * std::numbers::pi / (teeth * 2);
        const double radius = (i % 4 < 2) ? outer : inner;
        const QPointF point(12 + radius * std::cos(angle), 12 + radius * std::sin(angle));
        if (i == 0) {
            path.moveTo(point);
        } else {
            path.lineTo(point);
        }
    }
    path.closeSubpath();
    path.addEllipse(QPointF(12, 12), 3.5, 3.5);
    return path;
}

QPainterPath infoCircle() {
    QPainterPath path;
    path.addEllipse(QPointF(12, 12), 10, 10);
    path.moveTo(12, 11);
    path.lineTo(12, 17);
    path.moveTo(12, 7.5);
    path.lineTo(12, 8);
    return path;
}

void outline(QPainter& p, const QColor& color, const QPainterPath& path) {
    p.setPen(QPen(color, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

void dot(QPainter& p, const QColor& color) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(QRectF(6, 6, 12, 12));
}

} // namespace

QPixmap image(std::string_view name, int points, const QColor& color, qreal scale) {
    QPixmap pixmap(QSize(points, points) * scale);
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(points / unit, points / unit);
    if (name == "checkmark.circle.fill") {
        checkmarkCircleFill(painter, color);
    } else if (name == "lock.open") {
        lockOpen(painter, color);
    } else if (name == "menubar.rectangle") {
        menubarRectangle(painter, color);
    } else if (name == "hourglass") {
        hourglass(painter, color);
    } else if (name == "exclamationmark.triangle") {
        exclamationTriangle(painter, color);
    } else if (name == "gearshape") {
        outline(painter, color, gear());
    } else if (name == "arrow.up.arrow.down") {
        outline(painter, color, painterPath(arrowsUpDown));
    } else if (name == "info.circle") {
        outline(painter, color, infoCircle());
    } else if (name == "cup.and.heat.waves") {
        outline(painter, color, painterPath(cupAndSteam));
    } else {
        dot(painter, color);
    }
    return pixmap;
}

QLabel* label(std::string_view name, int points, const QColor& color, QWidget* parent) {
    auto* shown = new QLabel(parent);
    shown->setPixmap(image(name, points, color));
    shown->setFixedSize(points, points);
    return shown;
}

QIcon icon(std::string_view name, int size) {
    const QPalette palette = QApplication::palette();
    QIcon icon(image(name, size, palette.color(QPalette::WindowText), 1));
    // A selected row is drawn on the highlight: its symbol takes the selected text's colour.
    icon.addPixmap(image(name, size, palette.color(QPalette::HighlightedText), 1), QIcon::Selected);
    return icon;
}

} // namespace corvale::Symbols
