#pragma once

#include "CorvaleCore/CFText.hpp"

#include <CoreFoundation/CoreFoundation.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

// Core Foundation ownership and text, shared by the backend's files.
namespace platform::mac {

// Holds one reference got from a Create or Copy function and releases it.
template <class Ref>
class CFOwned {
public:
    CFOwned() = default;
    explicit CFOwned(Ref owned) noexcept : ref_(owned) {}
    ~CFOwned() { reset(); }
    CFOwned(CFOwned&& other) noexcept : ref_(std::exchange(other.ref_, nullptr)) {}
    CFOwned& operator=(CFOwned&& other) noexcept {
        if (this != &other) {
            reset();
            ref_ = std::exchange(other.ref_, nullptr);
        }
        return *this;
    }
    CFOwned(const CFOwned&) = delete;
    CFOwned& operator=(const CFOwned&) = delete;

    Ref get() const noexcept { return ref_; }
    explicit operator bool() const noexcept { return ref_ != nullptr; }
    void reset() noexcept {
        if (ref_ != nullptr) {
            CFRelease(ref_);
            ref_ = nullptr;
        }
    }

private:
    Ref ref_ = nullptr;
};

// A new string from UTF-8; empty holder when the bytes are not UTF-8.
inline CFOwned<CFStringRef> makeString(std::string_view text) {
    return CFOwned<CFStringRef>(corvale::cf::makeString(text));
}

// The string as UTF-8.
inline std::string toString(CFStringRef string) {
    return corvale::cf::utf8(string);
}

// A boolean, number or string as a variant holding those four kinds (preferences and registry
// properties both are); nothing for any other type.
template <class Value>
std::optional<Value> scalarValue(CFTypeRef value) {
    if (value == nullptr) {
        return std::nullopt;
    }
    const CFTypeID type = CFGetTypeID(value);
    if (type == CFBooleanGetTypeID()) {
        return Value(CFBooleanGetValue(static_cast<CFBooleanRef>(value)) != 0);
    }
    if (type == CFNumberGetTypeID()) {
        auto number = static_cast<CFNumberRef>(value);
        if (CFNumberIsFloatType(number)) {
            double real = 0;
            CFNumberGetValue(number, kCFNumberDoubleType, &real);
            return Value(real);
        }
        std::int64_t whole = 0;
        CFNumberGetValue(number, kCFNumberSInt64Type, &whole);
        return Value(whole);
    }
    if (type == CFStringGetTypeID()) {
        return Value(toString(static_cast<CFStringRef>(value)));
    }
    return std::nullopt;
}

} // namespace platform::mac
