#include "Support/TemporaryHome.hpp"

#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <system_error>

namespace corvale::test {

namespace {

std::filesystem::path makeFolder(const std::string& prefix) {
    std::filesystem::path base;
    if (const char* tmp = std::getenv("SKIRO_TEST_TMP"); tmp != nullptr && *tmp != '\0') {
        base = tmp;
    } else {
        base = std::filesystem::temp_directory_path();
    }
    std::filesystem::create_directories(base);
    std::string pattern = (base / (prefix + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::system_error(errno, std::generic_category(), "mkdtemp " + pattern);
    }
    return std::filesystem::path(pattern);
}

} // namespace

ScopedEnvironment::~ScopedEnvironment() {
    for (auto saved = saved_.rbegin(); saved != saved_.rend(); ++saved) {
        if (saved->second) {
            ::setenv(saved->first.c_str(), saved->second->c_str(), 1);
        } else {
            ::unsetenv(saved->first.c_str());
        }
    }
}

void ScopedEnvironment::remember(const std::string& name) {
    const char* old = std::getenv(name.c_str());
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
}

void ScopedEnvironment::set(const std::string& name, const std::string& value) {
    remember(name);
    ::setenv(name.c_str(), value.c_str(), 1);
}

void ScopedEnvironment::unset(const std::string& name) {
    remember(name);
    ::unsetenv(name.c_str());
}

TemporaryHome::TemporaryHome() : path_(makeFolder("home")) {
    environment_.set("HOME", path_.string());
    environment_.set("XDG_DATA_HOME", data().string());
    environment_.set("XDG_CACHE_HOME", cache().string());
    environment_.set("XDG_CONFIG_HOME", config().string());
}

TemporaryHome::~TemporaryHome() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

TemporaryFolder::TemporaryFolder(const std::string& prefix) : path_(makeFolder(prefix)) {}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

} // namespace corvale::test
