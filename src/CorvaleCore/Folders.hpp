#pragma once

#include <filesystem>
#include <string_view>

// The user's folders the system names, mapped onto the XDG base directories and read from the
// environment on each call (HOME, XDG_DATA_HOME, XDG_CACHE_HOME, XDG_CONFIG_HOME). An XDG
// variable that is unset, empty or not an absolute path is ignored, as the XDG rules say. The
// folders are not created here; writers create what they need.
namespace corvale::Folders {

// $HOME, else the account's home directory, else "/".
std::filesystem::path home();

// The application support folder: $XDG_DATA_HOME, else ~/.local/share; on macOS the system's,
// ~/Library/Application Support. Callers add their own folder named after the application.
std::filesystem::path applicationSupport();

// The caches folder: $XDG_CACHE_HOME, else ~/.cache; on macOS ~/Library/Caches.
std::filesystem::path caches();

// The user's configuration folder: $XDG_CONFIG_HOME, else ~/.config.
std::filesystem::path configuration();

// Where the user defaults of `bundleID` live: the configuration folder, then the identifier.
std::filesystem::path userDefaults(std::string_view bundleID);

// The system's crash and hang reports, read only: ~/Library/Logs/DiagnosticReports.
std::filesystem::path diagnosticReports();

// Login items: ~/.config/autostart (under $XDG_CONFIG_HOME when set).
std::filesystem::path autostart();

} // namespace corvale::Folders
