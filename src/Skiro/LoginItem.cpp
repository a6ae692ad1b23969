#include "Skiro/LoginItem.hpp"

#include "Skiro/AppParts.hpp"
#include "SkiroEngine/Logs.hpp"

#include <string>

namespace skiro::LoginItem {

bool isEnabled(platform::LoginItem& item) {
    return item.status() == platform::LoginItem::Status::enabled;
}

void set(bool on) {
    set(appSystem().loginItem(), on);
}

void set(platform::LoginItem& item, bool on) {
    std::optional<std::string> failure = on ? item.registerApp() : item.unregisterApp();
    if (failure) {
        logs::general().error([&] {
            return (on ? "Couldn't add the login item: " : "Couldn't remove the login item: ") +
                   *failure;
        });
    }
}

} // namespace skiro::LoginItem
