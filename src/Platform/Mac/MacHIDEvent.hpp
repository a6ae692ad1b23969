#pragma once

#include "Platform/HIDEvent.hpp"

#include <CoreFoundation/CoreFoundation.h>
#include <CoreGraphics/CoreGraphics.h>

#include <cstdint>
#include <string_view>

// The HID event behind a scroll. The system keeps these functions private, so they are found by
// name in the running process; none is assumed to exist.
namespace platform::mac {

// The system's HID event is a Core Foundation object; a copy is released with CFRelease,
// which the caller reaches through the symbol table (platform::HIDEventRef does it).
using SystemHIDEvent = CFTypeRef;

// The four functions with the signatures the system exports them with; each nullptr when
// missing. Looked up once per process.
struct HIDFunctions {
    using Copy = SystemHIDEvent (*)(CGEventRef event); // returns a retained event or NULL
    using GetSenderID = std::uint64_t (*)(SystemHIDEvent hid);
    using GetFloatValue = double (*)(SystemHIDEvent hid, std::uint32_t field);
    using SetFloatValue = void (*)(SystemHIDEvent hid, std::uint32_t field, double value);

    Copy copy = nullptr;
    GetSenderID getSenderID = nullptr;
    GetFloatValue getFloatValue = nullptr;
    SetFloatValue setFloatValue = nullptr;

    static const HIDFunctions& shared();
};

// Every name is looked up in the whole process (dlsym with the default handle). The four HID
// names and the release answer adapters with the platform's signatures over the system's
// functions, and nullptr when the system's function is missing.
class MacSymbols final : public Symbols {
public:
    Address lookup(std::string_view name) const override;
};

} // namespace platform::mac
