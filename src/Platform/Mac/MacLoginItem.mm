#include "Platform/Mac/MacLoginItem.hpp"

#import <Foundation/Foundation.h>
#import <ServiceManagement/ServiceManagement.h>

namespace platform::mac {

namespace {

std::optional<std::string> described(BOOL done, NSError* error) {
    if (done) {
        return std::nullopt;
    }
    NSString* text = error != nil ? error.localizedDescription : nil;
    if (text == nil || text.UTF8String == nullptr) {
        return std::string("The system refused the change.");
    }
    return std::string(text.UTF8String);
}

} // namespace

LoginItem::Status MacLoginItem::status() const {
    switch (SMAppService.mainAppService.status) {
    case SMAppServiceStatusEnabled:
        return Status::enabled;
    case SMAppServiceStatusRequiresApproval:
        return Status::requiresApproval;
    case SMAppServiceStatusNotFound:
        return Status::notFound;
    case SMAppServiceStatusNotRegistered:
        break;
    }
    return Status::notRegistered;
}

std::optional<std::string> MacLoginItem::registerApp() {
    @autoreleasepool {
        NSError* error = nil;
        BOOL done = [SMAppService.mainAppService registerAndReturnError:&error];
        return described(done, error);
    }
}

std::optional<std::string> MacLoginItem::unregisterApp() {
    @autoreleasepool {
        NSError* error = nil;
        BOOL done = [SMAppService.mainAppService unregisterAndReturnError:&error];
        return described(done, error);
    }
}

} // namespace platform::mac
