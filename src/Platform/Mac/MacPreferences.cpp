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
    const CFTypeID type = CFGetTypeID(value.get());
    if (type == CFBooleanGetTypeID()) {
        return PreferenceValue(CFBooleanGetValue(static_cast<CFBooleanRef>(value.get())) != 0);
    }
    if (type == CFNumberGetTypeID()) {
        auto number = static_cast<CFNumberRef>(value.get());
        if (CFNumberIsFloatType(number)) {
            double real = 0;
            CFNumberGetValue(number, kCFNumberDoubleType, &real);
            return PreferenceValue(real);
        }
        std::int64_t whole = 0;
        CFNumberGetValue(number, kCFNumberSInt64Type, &whole);
        return PreferenceValue(whole);
    }
    if (type == CFStringGetTypeID()) {
        return PreferenceValue(toString(static_cast<CFStringRef>(value.get())));
    }
    // Dates, data and collections have no form here.
    return std::nullopt;
}

} // namespace platform::mac
