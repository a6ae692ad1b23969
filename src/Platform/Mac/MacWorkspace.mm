#include "Platform/Mac/MacWorkspace.hpp"

#import <AppKit/AppKit.h>

#include <string>

namespace platform::mac {

bool MacWorkspace::openURL(std::string_view url) {
    @autoreleasepool {
        const std::string text(url);
        NSString* string = [NSString stringWithUTF8String:text.c_str()];
        NSURL* address = string != nil ? [NSURL URLWithString:string] : nil;
        if (address == nil) {
            return false;
        }
        return [[NSWorkspace sharedWorkspace] openURL:address];
    }
}

} // namespace platform::mac
