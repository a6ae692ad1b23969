#pragma once

#include "Corvale/CrashNote.hpp"
#include "Corvale/WhatsNew.hpp"

#include <vector>

// The application's windows, opened by identifier. None of them is built yet: each entry point
// logs that its window is missing, so that callers are wired to the place the window will fill.
namespace skiro::WindowsUI {

// The welcome window, on a first launch.
void showWelcome();
// The settings window at its default pane.
void showSettings();
// The crash-note window ("crashNote", 600 wide).
void showCrashNote(const corvale::CrashNote::Model& model);
// The release-notes window ("whatsNew", 620 wide).
void showWhatsNew(const std::vector<corvale::WhatsNew::Release>& releases);

} // namespace skiro::WindowsUI
