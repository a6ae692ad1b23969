#include "CorvaleCore/UserLocale.hpp"

#include <CoreFoundation/CoreFoundation.h>

#include <cstdlib>

namespace corvale {

std::string userLocaleName() {
    for (const char* variable : {"LC_ALL", "LC_CTYPE", "LC_NUMERIC", "LC_TIME", "LANG"}) {
        if (const char* value = std::getenv(variable); value != nullptr && *value != '\0') {
            return {};
        }
    }
    CFLocaleRef current = CFLocaleCopyCurrent();
    if (current == nullptr) {
        return {};
    }
    char identifier[128] = {};
    const bool read = CFStringGetCString(CFLocaleGetIdentifier(current), identifier,
                                         sizeof identifier, kCFStringEncodingUTF8);
    CFRelease(current);
    return read ? posixLocaleName(identifier) : std::string();
}

} // namespace corvale
