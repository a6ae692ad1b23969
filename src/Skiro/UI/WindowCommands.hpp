#pragma once

#include "Skiro/AppCommands.hpp"

#include <QImage>
#include <QWidget>

#include <filesystem>
#include <vector>

// What the application's window commands act on: the windows' entry points, and the snapshot,
// drawn offscreen so that it needs no screen capture.
namespace skiro::WindowCommands {

// For `AppCommands::add`: the settings panes by their printed names, the windows and the
// snapshot.
AppCommands::Windows windows();

// `content` laid out `width` points wide on the window background, at 2 pixels a point, in the
// application's palette.
QImage pictureOf(QWidget& content, int width);

// The menu-bar icon's looks as template images side by side: running, paused, waiting, and
// running with the dot of a waiting update.
QImage menuBarPicture();

// Writes the two pictures as "welcome.png" and "menubar.png" into `folder`, each replaced
// atomically, and answers the files. Throws corvale::FileError when one cannot be written.
std::vector<std::filesystem::path> writeSnapshots(const std::filesystem::path& folder);

} // namespace skiro::WindowCommands
