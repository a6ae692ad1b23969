#include "Platform/Simulated/SimulatedSymbols.hpp"

#include "Platform/Simulated/SimulatedEvent.hpp"

namespace platform::simulated {

namespace {

IOHIDEvent* copyIOHIDEvent(Event& event) {
    auto* simulated = dynamic_cast<SimulatedEvent*>(&event);
    IOHIDEvent* hid = simulated != nullptr ? simulated->hidEvent() : nullptr;
    if (hid != nullptr) {
        hid->held += 1;
    }
    return hid;
}

void releaseHIDEvent(IOHIDEvent* hid) {
    if (hid != nullptr) {
        hid->held -= 1;
    }
}

std::uint64_t getSenderID(IOHIDEvent* hid) {
    return hid != nullptr ? hid->senderID : 0;
}

double* floatField(IOHIDEvent* hid, std::uint32_t field) {
    if (hid == nullptr) {
        return nullptr;
    }
    switch (field) {
    case hid::fieldScrollX:
        return &hid->scrollX;
    case hid::fieldScrollY:
        return &hid->scrollY;
    case hid::fieldScrollZ:
        return &hid->scrollZ;
    default:
        return nullptr;
    }
}

double getFloatValue(IOHIDEvent* hid, std::uint32_t field) {
    double* value = floatField(hid, field);
    return value != nullptr ? *value : 0;
}

void setFloatValue(IOHIDEvent* hid, std::uint32_t field, double value) {
    if (double* stored = floatField(hid, field)) {
        *stored = value;
    }
}

constexpr std::string_view hidNames[5] = {hid::copyIOHIDEventName, hid::getSenderIDName,
                                          hid::getFloatValueName, hid::setFloatValueName,
                                          hid::releaseName};

int hidIndex(std::string_view name) {
    for (int i = 0; i < 5; ++i) {
        if (hidNames[i] == name) {
            return i;
        }
    }
    return -1;
}

} // namespace

Symbols::Address SimulatedSymbols::lookup(std::string_view name) const {
    int index = hidIndex(name);
    if (index < 0 || missing_[index].load()) {
        return nullptr;
    }
    switch (index) {
    case 0:
        return reinterpret_cast<Address>(static_cast<CopyIOHIDEventFunction>(copyIOHIDEvent));
    case 1:
        return reinterpret_cast<Address>(static_cast<IOHIDEventGetSenderIDFunction>(getSenderID));
    case 2:
        return reinterpret_cast<Address>(
            static_cast<IOHIDEventGetFloatValueFunction>(getFloatValue));
    case 3:
        return reinterpret_cast<Address>(
            static_cast<IOHIDEventSetFloatValueFunction>(setFloatValue));
    default:
        return reinterpret_cast<Address>(static_cast<ReleaseIOHIDEventFunction>(releaseHIDEvent));
    }
}

void SimulatedSymbols::setMissing(std::string_view name, bool missing) {
    int index = hidIndex(name);
    if (index >= 0) {
        missing_[index].store(missing);
    }
}

} // namespace platform::simulated
