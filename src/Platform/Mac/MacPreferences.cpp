#include "Platform/Mac/MacPreferences.hpp"

#include "Platform/Mac/MacCF.hpp"

namespace platform::mac {

bool MacPreferences::synchronizeAnyApplication() {
    return CFPreferencesAppSynchronize(kCFPreferencesAnyApplication);
}

std::optional<PreferenceValue> MacPreferences::copyAnyApplicationValue(std::string_view key) {
    CFOwned<CFStringRef> name = makeString(key);
    if (!name) {
        return std::nullopt;
    }
    CFOwned<CFPropertyListRef> value(
        CFPreferencesCopyAppValue(name.get(), kCFPreferencesAnyApplication));
    if (!value) {
        return std::nullopt;
    }
    // Dates, data and collections have no form here.
    return scalarValue<PreferenceValue>(value.get());
}

} // namespace platform::mac
