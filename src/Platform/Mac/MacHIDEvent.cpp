#include "Platform/Mac/MacHIDEvent.hpp"

#include "Platform/Mac/MacEvent.hpp"

#include <dlfcn.h>

#include <string>

namespace platform::mac {

namespace {

void* find(const char* name) {
    return dlsym(RTLD_DEFAULT, name);
}

SystemHIDEvent toRef(IOHIDEvent* hid) {
    return static_cast<SystemHIDEvent>(hid);
}

// The platform's IOHIDEvent* is the system's HID event under another name. The copy is
// retained for the caller, who releases it through releaseAdapter.
IOHIDEvent* copyAdapter(Event& event) {
    // Every event this backend hands out is a MacEvent.
    CGEventRef cgEvent = static_cast<MacEvent&>(event).cgEvent();
    if (cgEvent == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<IOHIDEvent*>(const_cast<void*>(HIDFunctions::shared().copy(cgEvent)));
}

void releaseAdapter(IOHIDEvent* hid) {
    if (hid != nullptr) {
        CFRelease(toRef(hid));
    }
}

std::uint64_t senderAdapter(IOHIDEvent* hid) {
    return hid != nullptr ? HIDFunctions::shared().getSenderID(toRef(hid)) : 0;
}

double getFloatAdapter(IOHIDEvent* hid, std::uint32_t field) {
    return hid != nullptr ? HIDFunctions::shared().getFloatValue(toRef(hid), field) : 0.0;
}

void setFloatAdapter(IOHIDEvent* hid, std::uint32_t field, double value) {
    if (hid != nullptr) {
        HIDFunctions::shared().setFloatValue(toRef(hid), field, value);
    }
}

template <class Function>
Symbols::Address address(Function function) {
    return reinterpret_cast<Symbols::Address>(function);
}

} // namespace

const HIDFunctions& HIDFunctions::shared() {
    static const HIDFunctions functions{
        reinterpret_cast<Copy>(find("CGEventCopyIOHIDEvent")),
        reinterpret_cast<GetSenderID>(find("IOHIDEventGetSenderID")),
        reinterpret_cast<GetFloatValue>(find("IOHIDEventGetFloatValue")),
        reinterpret_cast<SetFloatValue>(find("IOHIDEventSetFloatValue")),
    };
    return functions;
}

Symbols::Address MacSymbols::lookup(std::string_view name) const {
    const HIDFunctions& hid = HIDFunctions::shared();
    if (name == hid::copyIOHIDEventName) {
        return hid.copy != nullptr ? address(&copyAdapter) : nullptr;
    }
    if (name == hid::getSenderIDName) {
        return hid.getSenderID != nullptr ? address(&senderAdapter) : nullptr;
    }
    if (name == hid::getFloatValueName) {
        return hid.getFloatValue != nullptr ? address(&getFloatAdapter) : nullptr;
    }
    if (name == hid::setFloatValueName) {
        return hid.setFloatValue != nullptr ? address(&setFloatAdapter) : nullptr;
    }
    if (name == hid::releaseName) {
        return address(&releaseAdapter);
    }
    return reinterpret_cast<Address>(find(std::string(name).c_str()));
}

} // namespace platform::mac
