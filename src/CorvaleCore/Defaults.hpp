#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace corvale {

// The application's user defaults: data stored by key, one file per key in one folder, each
// replaced atomically, so a reader never sees half a value and writers of different keys, or of
// the same key from several threads, never lose a whole value. Nothing is cached: a fresh store
// over the same folder reads what the last one wrote. Data is returned exactly as stored;
// whether it decodes is the caller's business, and damaged data stays until the next write.
// Safe from any thread.
class Defaults {
public:
    explicit Defaults(std::filesystem::path folder);

    // The application's standard defaults, for `AppIdentity::current().bundleID`: on macOS the
    // system's user defaults of that domain (what `defaults read <bundle identifier>` shows),
    // unless HOME names another folder than the account's (as tests do), which the system's
    // would not follow; otherwise, and elsewhere, the user-defaults folder as the environment
    // names it now.
    static Defaults standard();

    // The folder; unused while the store is the system's.
    const std::filesystem::path& folder() const { return folder_; }

    // The data under `key`; none when nothing is stored or it cannot be read.
    std::optional<std::string> data(std::string_view key) const;

    // Stores `data` under `key`, creating the folder when needed. A failure is logged as an
    // error in the lifecycle category and answered false; what was stored before stays.
    bool set(std::string_view key, std::string_view data) const;

    // Removes the key; true when nothing is stored under it afterwards.
    bool remove(std::string_view key) const;

    // The file that holds `key`: any byte that is not a letter, digit, '-' or '_' is written
    // as %XX, so no key can name a path outside the folder or a hidden file.
    std::filesystem::path location(std::string_view key) const;

private:
#if defined(__APPLE__)
    // The system's user defaults of `domain`.
    struct SystemDomain {
        std::string name;
    };
    explicit Defaults(SystemDomain domain);
#endif

    std::filesystem::path folder_;
    // The system's domain when the store is the system's; empty for the folder.
    std::string domain_;
};

} // namespace corvale
