#pragma once

#include <optional>
#include <string>

namespace platform {

// The application as an item the user's session opens at login (the main-app service).
class LoginItem {
public:
    enum class Status { notRegistered, enabled, requiresApproval, notFound };

    virtual ~LoginItem() = default;

    virtual Status status() const = 0;
    // Each answers nothing when it worked, else the error's description.
    virtual std::optional<std::string> registerApp() = 0;
    virtual std::optional<std::string> unregisterApp() = 0;
};

} // namespace platform
