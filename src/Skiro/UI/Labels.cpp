#include "Skiro/UI/Labels.hpp"

#include <QPalette>

namespace skiro::Labels {

QLabel* text(std::string_view text, QWidget* parent) {
    auto* label =
        new QLabel(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel* secondary(std::string_view shown, QWidget* parent) {
    QLabel* label = text(shown, parent);
    setSecondary(*label, true);
    return label;
}

QLabel* heading(std::string_view shown, int points, QWidget* parent) {
    QLabel* label = text(shown, parent);
    QFont font = label->font();
    font.setPointSize(points);
    font.setBold(true);
    label->setFont(font);
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

} // namespace skiro::Labels
