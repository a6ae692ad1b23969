#include "Platform/Mac/MacPermissions.hpp"

#include "Platform/Mac/MacCF.hpp"

#include <ApplicationServices/ApplicationServices.h>

namespace platform::mac {

bool MacPermissions::isProcessTrusted() const {
    return AXIsProcessTrusted();
}

bool MacPermissions::isProcessTrustedWithOptions(bool prompt) {
    const void* keys[] = {kAXTrustedCheckOptionPrompt};
    const void* values[] = {prompt ? kCFBooleanTrue : kCFBooleanFalse};
    CFOwned<CFDictionaryRef> options(CFDictionaryCreate(kCFAllocatorDefault, keys, values, 1,
                                                        &kCFTypeDictionaryKeyCallBacks,
                                                        &kCFTypeDictionaryValueCallBacks));
    return AXIsProcessTrustedWithOptions(options.get());
}

bool MacPermissions::preflightListenEventAccess() const {
    return CGPreflightListenEventAccess();
}

bool MacPermissions::preflightPostEventAccess() const {
    return CGPreflightPostEventAccess();
}

} // namespace platform::mac
