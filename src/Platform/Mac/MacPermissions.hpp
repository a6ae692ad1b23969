#pragma once

#include "Platform/Permissions.hpp"

namespace platform::mac {

// The accessibility trust and the input-event access checks.
class MacPermissions final : public Permissions {
public:
    bool isProcessTrusted() const override;
    bool isProcessTrustedWithOptions(bool prompt) override;
    bool preflightListenEventAccess() const override;
    bool preflightPostEventAccess() const override;
};

} // namespace platform::mac
