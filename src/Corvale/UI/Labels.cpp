#include "Corvale/UI/Labels.hpp"

#include "Corvale/UI/QtText.hpp"

#include <QPalette>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace corvale::Labels {

namespace {

// How far towards the window secondary text goes at most, and the contrast it keeps.
constexpr double faintest = 0.45;
constexpr double faintContrast = 5.0;

double luminance(const QColor& colour) {
    const auto linear = [](double channel) {
        return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) +
           0.0722 * linear(rgb.blueF());
}

} // namespace

double contrast(const QColor& one, const QColor& other) {
    const double a = luminance(one);
    const double b = luminance(other);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

QColor blend(const QColor& from, const QColor& to, double amount) {
    const auto mix = [amount](float a, float b) {
        return static_cast<float>(a + (b - a) * amount);
    };
    const QColor start = from.toRgb();
    const QColor end = to.toRgb();
    return QColor::fromRgbF(mix(start.redF(), end.redF()), mix(start.greenF(), end.greenF()),
                            mix(start.blueF(), end.blueF()), mix(start.alphaF(), end.alphaF()));
}

QColor faint(const QPalette& palette) {
    const QColor text = palette.color(QPalette::WindowText);
    const QColor window = palette.color(QPalette::Window);
    for (double amount = faintest; amount > 0; amount -= 0.05) {
        const QColor shade = blend(text, window, amount);
        if (contrast(shade, window) >= faintContrast) {
            return shade;
        }
    }
    return text;
}

QLabel* text(std::string_view text, QWidget* parent) {
    auto* label = new QLabel(qtText(text), parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel* secondary(std::string_view shown, QWidget* parent) {
    QLabel* label = text(shown, parent);
    setSecondary(*label, true);
    return label;
}

QLabel* caption(std::string_view shown, QWidget* parent) {
    QLabel* label = secondary(shown, parent);
    QFont smaller = label->font();
    smaller.setPointSizeF(smaller.pointSizeF() * 0.92);
    label->setFont(smaller);
    return label;
}

QLabel* heading(std::string_view shown, int points, QWidget* parent) {
    QLabel* label = heading(shown, parent);
    QFont font = label->font();
    font.setPointSize(points);
    label->setFont(font);
    return label;
}

QLabel* heading(std::string_view shown, QWidget* parent) {
    QLabel* label = text(shown, parent);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

void setSecondary(QLabel& label, bool secondary) {
    // The application's palette, dimmed where asked.
    QPalette palette;
    if (secondary) {
        palette.setColor(QPalette::WindowText, faint(palette));
    }
    label.setPalette(palette);
}

QWidget* section(std::string_view title, std::initializer_list<QWidget*> rows, QWidget* parent) {
    auto* box = new QWidget(parent);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);
    column->addWidget(heading(title, box));
    for (QWidget* row : rows) {
        row->setParent(box);
        column->addWidget(row);
    }
    return box;
}

} // namespace corvale::Labels
