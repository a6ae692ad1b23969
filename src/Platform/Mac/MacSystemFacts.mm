#include "Platform/Mac/MacSystemFacts.hpp"

#import <AppKit/AppKit.h>
#import <Foundation/Foundation.h>

#include <sys/sysctl.h>

#include <algorithm>
#include <vector>

namespace platform::mac {

std::string MacSystemFacts::operatingSystemVersionString() const {
    @autoreleasepool {
        const char* text = [NSProcessInfo processInfo].operatingSystemVersionString.UTF8String;
        return text != nullptr ? text : "";
    }
}

std::string MacSystemFacts::modelIdentifier() const {
    std::size_t size = 0;
    if (sysctlbyname("hw.model", nullptr, &size, nullptr, 0) != 0) {
        return {};
    }
    // Zero-filled, at least one byte, so the text always ends.
    std::vector<char> buffer(std::max<std::size_t>(size, 1) + 1, '\0');
    size = buffer.size() - 1;
    if (sysctlbyname("hw.model", buffer.data(), &size, nullptr, 0) != 0) {
        return {};
    }
    return buffer.data();
}

std::string MacSystemFacts::processorKind() const {
    // Set on Apple silicon, also for a process translated from Intel code.
    int arm64 = 0;
    std::size_t size = sizeof(arm64);
    if (sysctlbyname("hw.optional.arm64", &arm64, &size, nullptr, 0) == 0 && arm64 != 0) {
        return "Apple silicon";
    }
    return "Intel";
}

// Asked from the diagnostics' queue too, whose threads drain no autorelease pool of their own.
DisplayAccommodations MacSystemFacts::displayAccommodations() const {
    @autoreleasepool {
        NSWorkspace* workspace = [NSWorkspace sharedWorkspace];
        DisplayAccommodations accommodations;
        accommodations.reduceMotion = workspace.accessibilityDisplayShouldReduceMotion;
        accommodations.increaseContrast = workspace.accessibilityDisplayShouldIncreaseContrast;
        accommodations.reduceTransparency = workspace.accessibilityDisplayShouldReduceTransparency;
        return accommodations;
    }
}

} // namespace platform::mac
