#pragma once

#include "Platform/Notifications.hpp"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace platform::simulated {

// Observers are called on the posting thread, in the order they were added, outside any lock.
class SimulatedNotificationCenter final : public NotificationCenter {
public:
    Token addObserver(std::string name, Observer observer) override;
    void removeObserver(Token token) override;

    void post(const std::string& name);

private:
    struct Registration {
        Token token;
        std::string name;
        std::shared_ptr<Observer> observer;
    };
    mutable std::mutex mutex_;
    std::vector<Registration> registrations_;
    Token next_ = 1;
};

class SimulatedWorkspace final : public Workspace {
public:
    NotificationCenter& notifications() override { return center_; }
    bool openURL(std::string_view url) override;

    SimulatedNotificationCenter& center() { return center_; }
    std::vector<std::string> openedURLs() const;

private:
    SimulatedNotificationCenter center_;
    mutable std::mutex mutex_;
    std::vector<std::string> opened_;
};

} // namespace platform::simulated
