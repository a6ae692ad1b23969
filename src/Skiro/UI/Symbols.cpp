#include "Skiro/UI/Symbols.hpp"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>

namespace skiro::Symbols {

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

} // namespace skiro::Symbols
