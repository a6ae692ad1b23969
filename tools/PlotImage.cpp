// Renders the picture's geometry; every position and colour was decided by RecordingPlot.
#include "PlotImage.hpp"

#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unordered_set>

namespace {

using skiro::Colour;
using skiro::PlotPicture;
namespace Palette = skiro::RecordingPlot::Palette;

QColor qt(Colour colour, int alpha = 255) {
    return QColor(colour.red, colour.green, colour.blue, alpha);
}

QString words(const std::string& text) {
    return QString::fromStdString(text);
}

QFont font(int pixels, bool bold = false) {
    QFont made(QStringLiteral("DejaVu Sans"));
    made.setPixelSize(pixels);
    made.setBold(bold);
    return made;
}

void dot(QPainter& painter, QPointF at, Colour colour, double radius) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(qt(colour));
    painter.drawEllipse(at, radius, radius);
}

void ring(QPainter& painter, QPointF at, Colour colour, double radius, double width) {
    painter.setPen(QPen(qt(colour), width));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(at, radius, radius);
}

void triangle(QPainter& painter, QPointF tip) {
    QPainterPath path;
    path.moveTo(tip);
    path.lineTo(tip.x() - 4, tip.y() - 7);
    path.lineTo(tip.x() + 4, tip.y() - 7);
    path.closeSubpath();
    painter.fillPath(path, Qt::black);
}

void cross(QPainter& painter, QPointF at) {
    painter.setPen(QPen(qt(Palette::failed), 2));
    painter.drawLine(at + QPointF(-4, -4), at + QPointF(4, 4));
    painter.drawLine(at + QPointF(-4, 4), at + QPointF(4, -4));
}

void span(QPainter& painter, double from, double to, double top, double bottom, Colour colour) {
    painter.fillRect(QRectF(from, top, std::max(to - from, 2.0), bottom - top), qt(colour));
}

void drawBand(QPainter& painter, const PlotPicture::Band& band) {
    painter.setFont(font(14, true));
    painter.setPen(Qt::black);
    painter.drawText(QPointF(band.strip.x, band.strip.y - 6), words(band.title));
    painter.setFont(font(12));
    painter.setPen(QColor(110, 110, 110));
    painter.drawText(QRectF(0, band.strip.bottom() - 16, band.area.x - 8, 16),
                     Qt::AlignRight | Qt::AlignBottom, QStringLiteral("points"));
    painter.drawText(QRectF(band.area.right() + 8, band.strip.bottom() - 16, 80, 16),
                     Qt::AlignLeft | Qt::AlignBottom, QStringLiteral("lines"));
    const QRectF area(band.area.x, band.area.y, band.area.width, band.area.height);
    for (std::size_t i = 0; i < band.points.size(); ++i) {
        const double y = band.points[i].at;
        painter.setPen(QPen(y == band.zero ? QColor(120, 120, 120) : QColor(225, 225, 225), 1));
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        painter.setPen(QColor(80, 80, 80));
        painter.drawText(QRectF(0, y - 8, area.left() - 8, 16), Qt::AlignRight | Qt::AlignVCenter,
                         words(band.points[i].label));
        painter.drawText(QRectF(area.right() + 8, y - 8, 80, 16), Qt::AlignLeft | Qt::AlignVCenter,
                         words(band.lines[i].label));
    }
    painter.setPen(QPen(QColor(150, 150, 150), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area);
    if (band.empty) {
        painter.setFont(font(13));
        painter.drawText(area.adjusted(0, 0, 0, -area.height() / 2 - 4), Qt::AlignCenter,
                         QStringLiteral("Nothing moved on this axis."));
    }
}

void legendSymbol(QPainter& painter, const PlotPicture::LegendEntry& entry, QPointF at) {
    using Symbol = PlotPicture::Symbol;
    switch (entry.symbol) {
    case Symbol::none:
        break;
    case Symbol::dot:
        dot(painter, at, entry.colour, 4);
        break;
    case Symbol::ring:
        ring(painter, at, Colour{70, 70, 70}, 3.5, 1.2);
        break;
    case Symbol::delivered:
        ring(painter, at, entry.colour, 5.5, 1);
        break;
    case Symbol::turnedBack:
        ring(painter, at, entry.colour, 6, 2);
        break;
    case Symbol::turned:
        triangle(painter, at + QPointF(0, 4));
        break;
    case Symbol::shift:
        painter.setPen(Qt::black);
        painter.drawText(QRectF(at.x() - 8, at.y() - 8, 16, 16), Qt::AlignCenter,
                         QStringLiteral("\u21E7"));
        break;
    case Symbol::readBackFailed:
        cross(painter, at);
        break;
    case Symbol::gesture:
    case Symbol::momentum:
        painter.fillRect(QRectF(at.x() - 8, at.y() - 7, 16, 14), qt(entry.colour));
        break;
    case Symbol::note:
        painter.setPen(QPen(qt(entry.colour), 1.5, Qt::DashLine));
        painter.drawLine(at + QPointF(0, -8), at + QPointF(0, 8));
        break;
    }
}

// Marks already drawn at one place: a long recording puts thousands on the same pixels, and
// drawing each again changes nothing.
class Drawn {
public:
    bool first(int kind, double x, double y, double z, Colour colour) {
        const auto at = [](double value) {
            return static_cast<std::int64_t>(std::lround(value * 2));
        };
        std::uint64_t key = static_cast<std::uint64_t>(kind);
        for (std::int64_t part : {at(x), at(y), at(z)}) {
            key = key * 1000003 + static_cast<std::uint64_t>(part);
        }
        key = key * 16777619 + (colour.red << 16 | colour.green << 8 | colour.blue);
        return seen_.insert(key).second;
    }

private:
    std::unordered_set<std::uint64_t> seen_;
};

void paint(QPainter& painter, const PlotPicture& picture) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRectF(0, 0, picture.width, picture.height), Qt::white);

    painter.setPen(Qt::black);
    painter.setFont(font(18, true));
    painter.drawText(QPointF(picture.bands.front().area.x, 26), words(picture.title));
    painter.setFont(font(13));
    for (std::size_t i = 0; i < picture.caption.size(); ++i) {
        painter.drawText(QPointF(picture.bands.front().area.x, 48 + 20 * static_cast<double>(i)),
                         words(picture.caption[i]));
    }

    const double top = picture.bands.front().strip.y;
    const double bottom = picture.bands.back().area.bottom();
    for (const PlotPicture::Band& each : picture.bands) {
        for (const PlotPicture::Span& shaded : picture.spans) {
            span(painter, shaded.from, shaded.to, each.area.y, each.area.bottom(),
                 shaded.kind == PlotPicture::SpanKind::gesture ? Palette::gesture
                                                               : Palette::momentum);
        }
        drawBand(painter, each);
    }

    painter.setFont(font(12));
    for (const PlotPicture::Label& note : picture.notes) {
        painter.setPen(QPen(qt(Palette::note), 1.5, Qt::DashLine));
        painter.drawLine(QPointF(note.x, top), QPointF(note.x, bottom));
        painter.setPen(qt(Palette::note));
        painter.drawText(QPointF(note.x + 4, note.y), words(note.text));
    }
    painter.setPen(QColor(90, 90, 90));
    for (const PlotPicture::Label& sender : picture.senders) {
        painter.drawText(QPointF(sender.x + 2, sender.y), words(sender.text));
    }

    auto bandOf = [&](skiro::Axis axis) -> const PlotPicture::Band& {
        return picture.bands[axis == skiro::Axis::vertical ? 0 : 1];
    };
    Drawn drawn;
    for (const PlotPicture::DeliveredMark& mark : picture.delivered) {
        if (!drawn.first(0, mark.x, mark.y, mark.agrees, Colour{})) {
            continue;
        }
        if (mark.agrees) {
            ring(painter, QPointF(mark.x, mark.y), Palette::delivered, 5.5, 1);
        } else {
            ring(painter, QPointF(mark.x, mark.y), Palette::failed, 6, 2);
        }
    }
    for (const PlotPicture::ScrollMark& mark : picture.scrolls) {
        const PlotPicture::Band& where = bandOf(mark.band);
        const int kind =
            1 + (mark.turned ? 1 : 0) + (mark.shift ? 2 : 0) + (mark.readBackFailed ? 4 : 0);
        if (!drawn.first(kind, mark.x, mark.before, mark.after, mark.colour)) {
            continue;
        }
        if (mark.before != mark.after) {
            painter.setPen(QPen(qt(mark.colour, 150), 1));
            painter.drawLine(QPointF(mark.x, mark.before), QPointF(mark.x, mark.after));
            ring(painter, QPointF(mark.x, mark.before), mark.colour, 3.5, 1.2);
        }
        dot(painter, QPointF(mark.x, mark.after), mark.colour, 3);
        if (mark.turned) {
            triangle(painter, QPointF(mark.x, where.strip.bottom() - 3));
        }
        if (mark.shift) {
            painter.setPen(Qt::black);
            painter.setFont(font(12));
            painter.drawText(QRectF(mark.x - 8, where.strip.bottom() - 30, 16, 14), Qt::AlignCenter,
                             QStringLiteral("\u21E7"));
        }
        if (mark.readBackFailed) {
            cross(painter, QPointF(mark.x, where.strip.bottom() - 18));
        }
    }

    const double left = picture.bands.front().area.x;
    const double right = picture.bands.front().area.right();
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(QPointF(left, picture.timeAxis), QPointF(right, picture.timeAxis));
    painter.setFont(font(12));
    for (const PlotPicture::Tick& tick : picture.times) {
        painter.drawLine(QPointF(tick.at, picture.timeAxis),
                         QPointF(tick.at, picture.timeAxis + 5));
        painter.drawText(QRectF(tick.at - 40, picture.timeAxis + 6, 80, 16), Qt::AlignCenter,
                         words(tick.label));
    }
    painter.drawText(QRectF(right - 400, picture.timeAxis + 24, 400, 16), Qt::AlignRight,
                     QStringLiteral("time in seconds since the first scroll"));

    painter.setFont(font(13));
    for (const PlotPicture::LegendEntry& entry : picture.legend) {
        legendSymbol(painter, entry, QPointF(entry.x + 8, entry.y));
        painter.setPen(Qt::black);
        painter.drawText(QPointF(entry.x + 24, entry.y + 5), words(entry.text));
    }
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           QString::fromStdString(text.substr(text.size() - end.size()))
                   .compare(QString::fromStdString(end), Qt::CaseInsensitive) == 0;
}

} // namespace

std::optional<std::string> drawPlot(const PlotPicture& picture, const std::string& path) {
    // Fonts need an application object; the tool never needs a display. Qt's remarks about
    // the session it finds (no runtime folder, and the like) are no concern of a picture.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg) {
            std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
        }
    });
    int argc = 1;
    char name[] = "skiro-replay";
    char* argv[] = {name, nullptr};
    QGuiApplication application(argc, argv);

    if (endsWith(path, ".svg")) {
        QFile file(QString::fromStdString(path));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            return "it can't be written";
        }
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(QSize(picture.width, picture.height));
        svg.setViewBox(QRect(0, 0, picture.width, picture.height));
        svg.setTitle(words(picture.title));
        QPainter painter;
        if (!painter.begin(&svg)) {
            return "it can't be drawn as SVG";
        }
        paint(painter, picture);
        painter.end();
        file.close();
        if (file.error() != QFileDevice::NoError) {
            return "it can't be written";
        }
        return std::nullopt;
    }
    QImage image(picture.width, picture.height, QImage::Format_RGB32);
    if (image.isNull()) {
        return "it is too large";
    }
    {
        QPainter painter(&image);
        paint(painter, picture);
    }
    if (!image.save(QString::fromStdString(path), "PNG")) {
        return "it can't be written";
    }
    return std::nullopt;
}
