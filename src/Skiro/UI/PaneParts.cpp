#include "Skiro/UI/PaneParts.hpp"

#include <QFont>
#include <QLabel>
#include <QVBoxLayout>

#include <string>

namespace skiro {

QLabel* heading(const char* text, QWidget* parent) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

QLabel* caption(const std::string& text, QWidget* parent) {
    auto* label = new QLabel(QString::fromStdString(text), parent);
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    QFont smaller = label->font();
    smaller.setPointSizeF(smaller.pointSizeF() * 0.92);
    label->setFont(smaller);
    return label;
}

QLabel* caption(const char* text, QWidget* parent) {
    return caption(std::string(text), parent);
}

QWidget* section(const char* title, std::initializer_list<QWidget*> rows, QWidget* parent) {
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

} // namespace skiro
