#pragma once

#include <QColor>
#include <QLabel>
#include <QPalette>

#include <initializer_list>
#include <string_view>

// The few text styles the windows and panes share, so that they look alike.
namespace corvale::Labels {

// Wrapping text in the window's normal style.
QLabel* text(std::string_view text, QWidget* parent = nullptr);
// Wrapping text in the secondary (dimmer) style.
QLabel* secondary(std::string_view text, QWidget* parent = nullptr);
// Secondary text a little smaller, as a sentence under a control.
QLabel* caption(std::string_view text, QWidget* parent = nullptr);
// Bold text `points` large.
QLabel* heading(std::string_view text, int points, QWidget* parent = nullptr);
// Bold text at the normal size, as a line over a group of rows.
QLabel* heading(std::string_view text, QWidget* parent = nullptr);
// Makes `label` secondary or normal again.
void setSecondary(QLabel& label, bool secondary);
// The colour of secondary text: the palette's text colour blended towards its window colour,
// but never so far that the two are less than 5:1 apart (readable on a lightly tinted window
// too). Derived rather than taken from the placeholder colour, which some themes leave dark on a
// dark window.
QColor faint(const QPalette& palette);
// The contrast ratio of two colours as readers perceive it, from 1 (the same) to 21 (black on
// white); alpha is ignored.
double contrast(const QColor& one, const QColor& other);
// `from` moved `amount` (0 to 1) of the way towards `to`.
QColor blend(const QColor& from, const QColor& to, double amount);
// A heading and its rows, stacked.
QWidget* section(std::string_view title, std::initializer_list<QWidget*> rows,
                 QWidget* parent = nullptr);

} // namespace corvale::Labels
