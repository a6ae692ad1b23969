#include "Platform/Mac/MacNotificationCenter.hpp"

#import <AppKit/AppKit.h>
#import <Foundation/Foundation.h>

namespace platform::mac {

struct MacNotificationCenter::Registered {
    id<NSObject> observer;
};

namespace {

NSNotificationCenter* centerOf(MacNotificationCenter::Kind kind) {
    if (kind == MacNotificationCenter::Kind::distributed) {
        return [NSDistributedNotificationCenter defaultCenter];
    }
    return [[NSWorkspace sharedWorkspace] notificationCenter];
}

} // namespace

MacNotificationCenter::MacNotificationCenter(Kind kind) : kind_(kind) {}

MacNotificationCenter::~MacNotificationCenter() {
    NSNotificationCenter* center = centerOf(kind_);
    std::lock_guard lock(mutex_);
    for (auto& [token, registered] : observers_) {
        [center removeObserver:registered->observer];
    }
}

NotificationCenter::Token MacNotificationCenter::addObserver(std::string name, Observer observer) {
    NSString* nsName = [NSString stringWithUTF8String:name.c_str()];
    if (nsName == nil) {
        return 0;
    }
    auto registered = std::make_unique<Registered>();
    auto shared = std::make_shared<Observer>(std::move(observer));
    registered->observer = [centerOf(kind_) addObserverForName:nsName
                                                        object:nil
                                                         queue:nil
                                                    usingBlock:^(NSNotification* note) {
                                                      const char* posted = note.name.UTF8String;
                                                      (*shared)(posted != nullptr ? posted : "");
                                                    }];
    std::lock_guard lock(mutex_);
    const Token token = next_++;
    observers_.emplace(token, std::move(registered));
    return token;
}

void MacNotificationCenter::removeObserver(Token token) {
    std::unique_ptr<Registered> removed;
    {
        std::lock_guard lock(mutex_);
        auto found = observers_.find(token);
        if (found == observers_.end()) {
            return;
        }
        removed = std::move(found->second);
        observers_.erase(found);
    }
    [centerOf(kind_) removeObserver:removed->observer];
}

} // namespace platform::mac
