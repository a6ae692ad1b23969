#pragma once

#include "Platform/Permissions.hpp"

#include <atomic>

namespace platform::simulated {

class SimulatedPermissions final : public Permissions {
public:
    bool isProcessTrusted() const override { return trusted_.load(); }
    bool isProcessTrustedWithOptions(bool prompt) override;
    bool preflightListenEventAccess() const override { return listen_.load(); }
    bool preflightPostEventAccess() const override { return post_.load(); }

    // Set through SimulatedSystem::setAccessibilityTrusted, which also does what the system
    // does when the trust changes.
    void setTrusted(bool trusted) { trusted_.store(trusted); }
    void setListenAccess(bool allowed) { listen_.store(allowed); }
    void setPostAccess(bool allowed) { post_.store(allowed); }
    // How often the system's own request for the trust was shown.
    int prompts() const { return prompts_.load(); }

private:
    std::atomic<bool> trusted_{true};
    std::atomic<bool> listen_{true};
    std::atomic<bool> post_{true};
    std::atomic<int> prompts_{0};
};

} // namespace platform::simulated
