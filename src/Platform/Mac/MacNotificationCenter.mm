#include "Platform/Mac/MacNotificationCenter.hpp"

#import <AppKit/AppKit.h>
#import <Foundation/Foundation.h>

namespace platform::mac {

// The workspace's observers are the center's objects; the distributed ones are this record
// itself, registered by address.
struct MacNotificationCenter::Registered {
    id<NSObject> observer;
    std::shared_ptr<Observer> callback;
};

namespace {

NSNotificationCenter* workspaceCenter() {
    return [[NSWorkspace sharedWorkspace] notificationCenter];
}

void deliveredFromAfar(CFNotificationCenterRef, void* observer, CFNotificationName name,
                       const void*, CFDictionaryRef) {
    const char* posted = name != nullptr ? [(__bridge NSString*)name UTF8String] : nullptr;
    (*static_cast<MacNotificationCenter::Registered*>(observer)->callback)(
        posted != nullptr ? posted : "");
}

// A menu-bar application is almost never active, and the distributed center holds back what
// it posts to an inactive one unless asked for at once: the system's scroll direction, the
// accessibility change and the screen unlock would wait until a window was opened.
void observeFromAfar(MacNotificationCenter::Registered* registered, NSString* name) {
    CFNotificationCenterAddObserver(CFNotificationCenterGetDistributedCenter(), registered,
                                    deliveredFromAfar, (__bridge CFStringRef)name, nullptr,
                                    CFNotificationSuspensionBehaviorDeliverImmediately);
}

void stopObservingFromAfar(MacNotificationCenter::Registered* registered) {
    CFNotificationCenterRemoveEveryObserver(CFNotificationCenterGetDistributedCenter(), registered);
}

} // namespace

MacNotificationCenter::MacNotificationCenter(Kind kind) : kind_(kind) {}

MacNotificationCenter::~MacNotificationCenter() {
    std::lock_guard lock(mutex_);
    for (auto& [token, registered] : observers_) {
        if (kind_ == Kind::distributed) {
            stopObservingFromAfar(registered.get());
        } else {
            [workspaceCenter() removeObserver:registered->observer];
        }
    }
}

NotificationCenter::Token MacNotificationCenter::addObserver(std::string name, Observer observer) {
    NSString* nsName = [NSString stringWithUTF8String:name.c_str()];
    if (nsName == nil) {
        return 0;
    }
    auto registered = std::make_unique<Registered>();
    auto shared = std::make_shared<Observer>(std::move(observer));
    registered->callback = shared;
    if (kind_ == Kind::distributed) {
        observeFromAfar(registered.get(), nsName);
    } else {
        registered->observer =
            [workspaceCenter() addObserverForName:nsName
                                           object:nil
                                            queue:nil
                                       usingBlock:^(NSNotification* note) {
                                         const char* posted = note.name.UTF8String;
                                         (*shared)(posted != nullptr ? posted : "");
                                       }];
    }
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
    if (kind_ == Kind::distributed) {
        stopObservingFromAfar(removed.get());
    } else {
        [workspaceCenter() removeObserver:removed->observer];
    }
}

} // namespace platform::mac
