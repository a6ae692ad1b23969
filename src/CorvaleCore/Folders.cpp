#include "CorvaleCore/Folders.hpp"

#include <pwd.h>
#include <unistd.h>

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

std::filesystem::path applicationSupport() {
    return xdg("XDG_DATA_HOME", std::filesystem::path(".local") / "share");
}

std::filesystem::path caches() {
    return xdg("XDG_CACHE_HOME", ".cache");
}

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
