#pragma once

#include <QWidget>

#include <initializer_list>
#include <string>

class QLabel;

// The pieces the settings panes are laid out from, so the panes look alike.
namespace skiro {

// A bold line over a group of rows.
QLabel* heading(const char* text, QWidget* parent);
// A smaller, dimmer sentence under a control.
QLabel* caption(const char* text, QWidget* parent);
QLabel* caption(const std::string& text, QWidget* parent);
// A heading and its rows, stacked.
QWidget* section(const char* title, std::initializer_list<QWidget*> rows, QWidget* parent);

} // namespace skiro
