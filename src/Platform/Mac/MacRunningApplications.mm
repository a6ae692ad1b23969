#include "Platform/Mac/MacRunningApplications.hpp"

#import <AppKit/AppKit.h>

#include <unistd.h>

namespace platform::mac {

std::int32_t MacRunningApplications::currentProcessIdentifier() const {
    return getpid();
}

std::optional<std::string>
MacRunningApplications::localizedName(std::int32_t processIdentifier) const {
    @autoreleasepool {
        NSRunningApplication* application =
            [NSRunningApplication runningApplicationWithProcessIdentifier:processIdentifier];
        NSString* name = application.localizedName;
        const char* text = name.UTF8String;
        if (text == nullptr || *text == '\0') {
            return std::nullopt;
        }
        return std::string(text);
    }
}

} // namespace platform::mac
