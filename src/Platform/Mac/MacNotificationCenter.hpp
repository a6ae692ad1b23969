#pragma once

#include "Platform/Notifications.hpp"

#include <map>
#include <memory>
#include <mutex>

namespace platform::mac {

// A Foundation notification center: the distributed one, or the workspace's. Observers run
// on the thread that posts, as the center delivers.
class MacNotificationCenter final : public NotificationCenter {
public:
    enum class Kind { distributed, workspace };

    explicit MacNotificationCenter(Kind kind);
    MacNotificationCenter(const MacNotificationCenter&) = delete;
    MacNotificationCenter& operator=(const MacNotificationCenter&) = delete;
    ~MacNotificationCenter() override;

    Token addObserver(std::string name, Observer observer) override;
    void removeObserver(Token token) override;

    // An observer as registered with the center, kept for removal.
    struct Registered;

private:
    const Kind kind_;
    std::mutex mutex_;
    Token next_ = 1;
    std::map<Token, std::unique_ptr<Registered>> observers_;
};

} // namespace platform::mac
