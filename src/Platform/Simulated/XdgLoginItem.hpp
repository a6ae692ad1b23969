#pragma once

#include "Platform/LoginItem.hpp"

#include <filesystem>

namespace platform::simulated {

// The login item of a Linux desktop session: an XDG autostart entry, named after the bundle
// identifier, that starts this executable by its absolute path. The folder and the identity are
// read on each call, so tests that move HOME see their own.
class XdgLoginItem final : public LoginItem {
public:
    Status status() const override;
    std::optional<std::string> registerApp() override;
    std::optional<std::string> unregisterApp() override;

    // The entry's file: the autostart folder, then "<bundle identifier>.desktop".
    static std::filesystem::path entry();
    // What the entry holds for `executable`.
    static std::string contents(const std::filesystem::path& executable);
};

} // namespace platform::simulated
