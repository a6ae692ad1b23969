#pragma once

#include "Platform/HIDEvent.hpp"

#include <CoreFoundation/CoreFoundation.h>
#include <CoreGraphics/CoreGraphics.h>

#include <cstdint>
#include <string_view>
#include <utility>

// The HID event behind a scroll. The system keeps these functions private, so they are found by
// name in the running process; none is assumed to exist.
namespace platform::mac {

// The system's HID event is a Core Foundation object.
using HIDEventRef = CFTypeRef;

// Owns one HID event got from the copy function; the one place such a copy is released.
class HIDEventCopy {
public:
    HIDEventCopy() = default;
    explicit HIDEventCopy(HIDEventRef owned) noexcept : ref_(owned) {}
    ~HIDEventCopy() { reset(); }
    HIDEventCopy(HIDEventCopy&& other) noexcept : ref_(std::exchange(other.ref_, nullptr)) {}
    HIDEventCopy& operator=(HIDEventCopy&& other) noexcept {
        if (this != &other) {
            reset();
            ref_ = std::exchange(other.ref_, nullptr);
        }
        return *this;
    }
    HIDEventCopy(const HIDEventCopy&) = delete;
    HIDEventCopy& operator=(const HIDEventCopy&) = delete;

    HIDEventRef get() const noexcept { return ref_; }
    void reset() noexcept {
        if (ref_ != nullptr) {
            CFRelease(ref_);
            ref_ = nullptr;
        }
    }

private:
    HIDEventRef ref_ = nullptr;
};

// The four functions with the signatures the system exports them with; each nullptr when
// missing. Looked up once per process.
struct HIDFunctions {
    using Copy = HIDEventRef (*)(CGEventRef event); // returns a retained event or NULL
    using GetSenderID = std::uint64_t (*)(HIDEventRef hid);
    using GetFloatValue = double (*)(HIDEventRef hid, std::uint32_t field);
    using SetFloatValue = void (*)(HIDEventRef hid, std::uint32_t field, double value);

    Copy copy = nullptr;
    GetSenderID getSenderID = nullptr;
    GetFloatValue getFloatValue = nullptr;
    SetFloatValue setFloatValue = nullptr;

    static const HIDFunctions& shared();
};

// Every name is looked up in the whole process (dlsym with the default handle). The four HID
// names answer adapters with the platform's signatures over the system's functions, and
// nullptr when the system's function is missing.
class MacSymbols final : public Symbols {
public:
    Address lookup(std::string_view name) const override;
};

} // namespace platform::mac
