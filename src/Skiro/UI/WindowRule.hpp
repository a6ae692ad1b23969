#pragma once

#include <QWidget>

#include <memory>
#include <string>

namespace skiro::WindowsUI {

// The rule every window but settings goes through: a window already open under `identifier`
// is closed and replaced, so every call shows fresh content; the new window is `width` wide and
// as tall as the content needs, up to the screen's available height less 40 points (760 without
// a screen); it is centred and brought forward, and kept when closed. Return presses the
// content's default button, as its drawing promises; Escape closes the window where
// `escapeCloses` (the notes). Returns the window.
QWidget* showFitted(const std::string& identifier, int width, std::unique_ptr<QWidget> content,
                    bool escapeCloses = false);

// Moves `window` to the middle of the primary screen's available area, when there is a screen.
void centre(QWidget& window);

// The window last shown under `identifier`, open or closed; none before the first.
QWidget* window(const std::string& identifier);

} // namespace skiro::WindowsUI
