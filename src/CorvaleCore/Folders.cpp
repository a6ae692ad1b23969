#include "CorvaleCore/Folders.hpp"

#include <pwd.h>
#include <unistd.h>

#if defined(__APPLE__)
#include <limits.h>
#include <sysdir.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace corvale::Folders {

namespace {

std::optional<std::filesystem::path> absoluteVariable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    std::filesystem::path path(value);
    if (!path.is_absolute()) {
        return std::nullopt;
    }
    return path;
}

std::filesystem::path xdg(const char* variable, const std::filesystem::path& underHome) {
    if (auto path = absoluteVariable(variable)) {
        return *path;
    }
    return home() / underHome;
}

} // namespace

std::filesystem::path home() {
    if (const char* value = std::getenv("HOME"); value != nullptr && *value != '\0') {
        return value;
    }
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && *found->pw_dir != '\0') {
        return found->pw_dir;
    }
    return "/";
}

#if defined(__APPLE__)
namespace {

// The user's folder the system names, as the file manager gives it: "~/Library/...", under
// the home as HOME names it.
std::filesystem::path userFolder(sysdir_search_path_directory_t folder, const char* fallback) {
    char path[PATH_MAX] = {};
    sysdir_search_path_enumeration_state state =
        sysdir_start_search_path_enumeration(folder, SYSDIR_DOMAIN_MASK_USER);
    if (sysdir_get_next_search_path_enumeration(state, path) == 0 || path[0] != '~') {
        return home() / "Library" / fallback;
    }
    return home() / std::filesystem::path(path + 1).relative_path();
}

} // namespace

std::filesystem::path applicationSupport() {
    return userFolder(SYSDIR_DIRECTORY_APPLICATION_SUPPORT, "Application Support");
}

std::filesystem::path caches() {
    return userFolder(SYSDIR_DIRECTORY_CACHES, "Caches");
}
#else
std::filesystem::path applicationSupport() {
    return xdg("XDG_DATA_HOME", std::filesystem::path(".local") / "share");
}

std::filesystem::path caches() {
    return xdg("XDG_CACHE_HOME", ".cache");
}
#endif

std::filesystem::path configuration() {
    return xdg("XDG_CONFIG_HOME", ".config");
}

std::filesystem::path userDefaults(std::string_view bundleID) {
    // One folder name, whatever the identifier holds.
    if (bundleID.empty() || bundleID == "." || bundleID == "..") {
        return configuration() / "_";
    }
    std::string name(bundleID);
    std::replace(name.begin(), name.end(), '/', '_');
    return configuration() / name;
}

std::filesystem::path diagnosticReports() {
    return home() / "Library" / "Logs" / "DiagnosticReports";
}

std::filesystem::path autostart() {
    return configuration() / "autostart";
}

} // namespace corvale::Folders
