#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>

#include <string_view>

class QLabel;
class QWidget;

// The symbol images the windows show, drawn by the program itself so that they look the same on
// every desktop and offscreen. An unknown name draws a plain dot.
namespace corvale::Symbols {

// `name` (such as "checkmark.circle.fill") in a square of `points`, in `color`.
QPixmap image(std::string_view name, int points, const QColor& color, qreal scale = 2);
// A label showing the image, for a layout.
QLabel* label(std::string_view name, int points, const QColor& color, QWidget* parent = nullptr);
// The image `size` pixels square in the palette's text colour, as a sidebar shows it, and in
// the selected text's colour where its row is selected.
QIcon icon(std::string_view name, int size = 32);

} // namespace corvale::Symbols
