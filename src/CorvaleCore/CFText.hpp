#pragma once

// Text across Core Foundation, for the macOS sides of the framework and the platform backend.
#include <CoreFoundation/CoreFoundation.h>

#include <string>
#include <string_view>

namespace corvale::cf {

// A new string from UTF-8, owned by the caller; null when the bytes are not UTF-8.
inline CFStringRef makeString(std::string_view text) {
    return CFStringCreateWithBytes(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(text.data()),
                                   static_cast<CFIndex>(text.size()), kCFStringEncodingUTF8, false);
}

// The string as UTF-8; empty for none.
inline std::string utf8(CFStringRef string) {
    if (string == nullptr) {
        return {};
    }
    if (const char* direct = CFStringGetCStringPtr(string, kCFStringEncodingUTF8)) {
        return direct;
    }
    const CFIndex length = CFStringGetLength(string);
    CFIndex bytes = 0;
    CFStringGetBytes(string, CFRangeMake(0, length), kCFStringEncodingUTF8, 0, false, nullptr, 0,
                     &bytes);
    std::string text(static_cast<std::size_t>(bytes), '\0');
    CFStringGetBytes(string, CFRangeMake(0, length), kCFStringEncodingUTF8, 0, false,
                     reinterpret_cast<UInt8*>(text.data()), bytes, nullptr);
    return text;
}

} // namespace corvale::cf
