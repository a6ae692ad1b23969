#include "Platform/Simulated/SimulatedNotifications.hpp"

#include <algorithm>

namespace platform::simulated {

NotificationCenter::Token SimulatedNotificationCenter::addObserver(std::string name,
                                                                   Observer observer) {
    std::lock_guard lock(mutex_);
    Token token = next_++;
    registrations_.push_back(
        {token, std::move(name), std::make_shared<Observer>(std::move(observer))});
    return token;
}

void SimulatedNotificationCenter::removeObserver(Token token) {
    std::lock_guard lock(mutex_);
    std::erase_if(registrations_, [&](const Registration& r) { return r.token == token; });
}

void SimulatedNotificationCenter::post(const std::string& name) {
    std::vector<std::shared_ptr<Observer>> observers;
    {
        std::lock_guard lock(mutex_);
        for (const Registration& r : registrations_) {
            if (r.name == name) {
                observers.push_back(r.observer);
            }
        }
    }
    for (const auto& observer : observers) {
        (*observer)(name);
    }
}

bool SimulatedWorkspace::openURL(std::string_view url) {
    if (url.find(':') == std::string_view::npos) {
        return false;
    }
    std::lock_guard lock(mutex_);
    opened_.emplace_back(url);
    return true;
}

std::vector<std::string> SimulatedWorkspace::openedURLs() const {
    std::lock_guard lock(mutex_);
    return opened_;
}

} // namespace platform::simulated
