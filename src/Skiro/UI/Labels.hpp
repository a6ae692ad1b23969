#pragma once

#include <QLabel>

#include <string_view>

// The few text styles the windows share.
namespace skiro::Labels {

// Wrapping text in the window's normal style.
QLabel* text(std::string_view text, QWidget* parent = nullptr);
// Wrapping text in the secondary (dimmer) style.
QLabel* secondary(std::string_view text, QWidget* parent = nullptr);
// Bold text `points` large.
QLabel* heading(std::string_view text, int points, QWidget* parent = nullptr);
// Makes `label` secondary or normal again.
void setSecondary(QLabel& label, bool secondary);

} // namespace skiro::Labels
