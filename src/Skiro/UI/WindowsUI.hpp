#pragma once

#include "Corvale/CrashNote.hpp"
#include "Corvale/WhatsNew.hpp"
#include "Skiro/UI/SettingsPane.hpp"

#include <QWidget>

#include <memory>
#include <vector>

// The application's windows, opened by identifier; all but settings go through the window rule
// (WindowRule.hpp).
namespace skiro::WindowsUI {

// The welcome window's width.
constexpr int welcomeWidth = 620;

// The welcome window, on a first launch.
void showWelcome();
// The settings window at `pane`.
void showSettings(SettingsPane pane = SettingsPane::general);
// The crash-note window ("crashNote", 600 wide).
void showCrashNote(const corvale::CrashNote::Model& model);
// The release-notes window ("whatsNew", 620 wide).
void showWhatsNew(const std::vector<corvale::WhatsNew::Release>& releases);
// The welcome window's content on its own, over a fresh model, not shown (for the snapshot).
std::unique_ptr<QWidget> makeWelcomeContent();
// Closes every visible window of the application.
void closeAll();

} // namespace skiro::WindowsUI
