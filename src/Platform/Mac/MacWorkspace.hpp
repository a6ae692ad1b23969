#pragma once

#include "Platform/Mac/MacNotificationCenter.hpp"
#include "Platform/Notifications.hpp"

namespace platform::mac {

// The shared workspace: its notifications (sleep, wake, session) and opening URLs.
class MacWorkspace final : public Workspace {
public:
    NotificationCenter& notifications() override { return center_; }
    bool openURL(std::string_view url) override;

private:
    MacNotificationCenter center_{MacNotificationCenter::Kind::workspace};
};

} // namespace platform::mac
