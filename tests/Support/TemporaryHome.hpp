#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace corvale::test {

// Sets an environment variable for the life of the object and puts the old value back after.
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment();

    void set(const std::string& name, const std::string& value);
    void unset(const std::string& name);

private:
    void remember(const std::string& name);

    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// A fresh, empty home folder for one test: HOME points at it and XDG_DATA_HOME,
// XDG_CACHE_HOME and XDG_CONFIG_HOME at the usual folders inside it (not yet created), so
// nothing a test does reaches the real home. Everything is put back, and the folder removed,
// when the object goes. Made under $SKIRO_TEST_TMP (else the system's temporary folder).
class TemporaryHome {
public:
    TemporaryHome();
    TemporaryHome(const TemporaryHome&) = delete;
    TemporaryHome& operator=(const TemporaryHome&) = delete;
    ~TemporaryHome();

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path data() const { return path_ / ".local" / "share"; }
    std::filesystem::path cache() const { return path_ / ".cache"; }
    std::filesystem::path config() const { return path_ / ".config"; }

    ScopedEnvironment& environment() { return environment_; }

private:
    std::filesystem::path path_;
    ScopedEnvironment environment_;
};

// A fresh empty folder under $SKIRO_TEST_TMP (else the system's temporary folder), removed with
// everything in it when the object goes.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& prefix = "folder");
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    ~TemporaryFolder();

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace corvale::test
