#include "CorvaleCore/Defaults.hpp"
#include "CorvaleCore/SystemDefaults.hpp"

#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/CFText.hpp"
#include "CorvaleCore/Folders.hpp"

#include <CoreFoundation/CoreFoundation.h>

#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace corvale {

namespace {

// Releases one Core Foundation object.
struct Released {
    CFTypeRef ref;
    ~Released() {
        if (ref != nullptr) {
            CFRelease(ref);
        }
    }
};

// The account's home as the system knows it, whatever HOME says.
std::filesystem::path accountHome() {
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr) {
        return found->pw_dir;
    }
    return {};
}

} // namespace

Defaults::Defaults(SystemDomain domain) : domain_(std::move(domain.name)) {}

Defaults Defaults::standard() {
    const std::string& bundleID = AppIdentity::current().bundleID;
    // The system keeps user defaults under the account's home only; a HOME elsewhere (a test's)
    // keeps them in its own folder.
    std::error_code error;
    const std::filesystem::path account = accountHome();
    if (!bundleID.empty() && !account.empty() &&
        std::filesystem::equivalent(Folders::home(), account, error)) {
        return Defaults(SystemDomain{bundleID});
    }
    return Defaults(Folders::userDefaults(bundleID));
}

namespace systemDefaults {

// Values are kept as text when they are UTF-8 (so `defaults read` shows the JSON), as data
// otherwise; both read back as the same bytes.
std::optional<std::string> data(std::string_view domain, std::string_view key) {
    Released application{cf::makeString(domain)};
    Released name{cf::makeString(key)};
    if (application.ref == nullptr || name.ref == nullptr) {
        return std::nullopt;
    }
    Released value{CFPreferencesCopyAppValue(static_cast<CFStringRef>(name.ref),
                                             static_cast<CFStringRef>(application.ref))};
    if (value.ref == nullptr) {
        return std::nullopt;
    }
    if (CFGetTypeID(value.ref) == CFDataGetTypeID()) {
        auto bytes = static_cast<CFDataRef>(value.ref);
        return std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(bytes)),
                           static_cast<std::size_t>(CFDataGetLength(bytes)));
    }
    if (CFGetTypeID(value.ref) != CFStringGetTypeID()) {
        return std::nullopt;
    }
    return cf::utf8(static_cast<CFStringRef>(value.ref));
}

bool set(std::string_view domain, std::string_view key, std::string_view data) {
    Released application{cf::makeString(domain)};
    Released name{cf::makeString(key)};
    Released value{cf::makeString(data)};
    if (value.ref == nullptr || data.find('\0') != std::string_view::npos) {
        if (value.ref != nullptr) {
            CFRelease(value.ref);
        }
        value.ref = CFDataCreate(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(data.data()),
                                 static_cast<CFIndex>(data.size()));
    }
    if (application.ref == nullptr || name.ref == nullptr || value.ref == nullptr) {
        return false;
    }
    CFPreferencesSetAppValue(static_cast<CFStringRef>(name.ref), value.ref,
                             static_cast<CFStringRef>(application.ref));
    return CFPreferencesAppSynchronize(static_cast<CFStringRef>(application.ref)) != 0;
}

bool remove(std::string_view domain, std::string_view key) {
    Released application{cf::makeString(domain)};
    Released name{cf::makeString(key)};
    if (application.ref == nullptr || name.ref == nullptr) {
        return false;
    }
    CFPreferencesSetAppValue(static_cast<CFStringRef>(name.ref), nullptr,
                             static_cast<CFStringRef>(application.ref));
    return CFPreferencesAppSynchronize(static_cast<CFStringRef>(application.ref)) != 0;
}

} // namespace systemDefaults
} // namespace corvale
