#pragma once

#include "Platform/LoginItem.hpp"

namespace platform::mac {

// The application as a login item of the current user, through the service management
// framework's main-application service. Registering may leave it waiting for the user's
// approval in System Settings (`requiresApproval`).
class MacLoginItem final : public LoginItem {
public:
    Status status() const override;
    std::optional<std::string> registerApp() override;
    std::optional<std::string> unregisterApp() override;
};

} // namespace platform::mac
