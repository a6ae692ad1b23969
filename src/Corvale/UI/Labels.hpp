#pragma once

#include <QLabel>

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
// A heading and its rows, stacked.
QWidget* section(std::string_view title, std::initializer_list<QWidget*> rows,
                 QWidget* parent = nullptr);

} // namespace corvale::Labels
