#include "Corvale/UI/Labels.hpp"

#include "Corvale/UI/QtText.hpp"

#include <QPalette>
#include <QVBoxLayout>

namespace corvale::Labels {

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
        palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
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
