#include "Platform/Mac/MacEventTaps.hpp"

#include "Platform/Mac/MacEvent.hpp"
#include "Platform/Mac/MacRunLoop.hpp"

#include <algorithm>

namespace platform::mac {

MacEventTap::~MacEventTap() {
    if (port_ != nullptr) {
        CGEventTapEnable(port_, false);
        CFMachPortInvalidate(port_);
        CFRelease(port_);
    }
}

bool MacEventTap::start(TapLocation location, TapPlacement placement, TapOptions options,
                        EventMask mask) {
    port_ = CGEventTapCreate(
        static_cast<CGEventTapLocation>(location), static_cast<CGEventTapPlacement>(placement),
        static_cast<CGEventTapOptions>(options), static_cast<CGEventMask>(mask),
        &MacEventTap::received, const_cast<TapContext*>(context_.get()));
    return port_ != nullptr;
}

// The tap thread's path for every event: the wrapper lives on this stack and releases the
// HID event it may have copied when the callback is done.
CGEventRef MacEventTap::received(CGEventTapProxy, CGEventType type, CGEventRef event, void* info) {
    const auto* context = static_cast<const TapContext*>(info);
    MacEvent wrapped = MacEvent::borrowing(event);
    Event* result = context->callback(static_cast<EventType>(type), wrapped, context->userInfo);
    if (result == &wrapped) {
        return event;
    }
    if (result == nullptr) {
        return nullptr;
    }
    // Another event goes on; the system releases it along with the original, so it gets a
    // reference of its own.
    CGEventRef other = static_cast<MacEvent*>(result)->cgEvent();
    if (other != nullptr) {
        CFRetain(other);
    }
    return other;
}

void MacEventTap::enable(bool on) {
    if (port_ != nullptr && CFMachPortIsValid(port_)) {
        CGEventTapEnable(port_, on);
    }
}

bool MacEventTap::isEnabled() const {
    return port_ != nullptr && CFMachPortIsValid(port_) && CGEventTapIsEnabled(port_);
}

void MacEventTap::invalidate() {
    if (port_ != nullptr) {
        CGEventTapEnable(port_, false);
        CFMachPortInvalidate(port_);
    }
}

std::unique_ptr<RunLoopSource> MacEventTap::createRunLoopSource() {
    CFRunLoopSourceRef source = nullptr;
    if (port_ != nullptr && CFMachPortIsValid(port_)) {
        source = CFMachPortCreateRunLoopSource(kCFAllocatorDefault, port_, 0);
    }
    // The port stays the tap's; the source only is the caller's. The source keeps the callout's
    // context until every loop it was on is past any callout in flight.
    return std::make_unique<MacRunLoopSource>(source, nullptr, context_);
}

std::unique_ptr<EventTap> MacEventTaps::create(TapLocation location, TapPlacement placement,
                                               TapOptions options, EventMask mask,
                                               TapCallback callback, void* userInfo) {
    auto tap = std::make_unique<MacEventTap>(callback, userInfo);
    if (!tap->start(location, placement, options, mask)) {
        return nullptr;
    }
    return tap;
}

std::optional<std::vector<TapInformation>> MacEventTaps::list() const {
    uint32_t count = 0;
    if (CGGetEventTapList(0, nullptr, &count) != kCGErrorSuccess) {
        return std::nullopt;
    }
    std::vector<CGEventTapInformation> records(count);
    if (count > 0) {
        if (CGGetEventTapList(count, records.data(), &count) != kCGErrorSuccess) {
            return std::nullopt;
        }
    }
    std::vector<TapInformation> taps;
    const std::size_t filled = std::min<std::size_t>(count, records.size());
    taps.reserve(filled);
    for (std::size_t i = 0; i < filled; ++i) {
        const CGEventTapInformation& record = records[i];
        TapInformation info;
        info.eventTapID = record.eventTapID;
        info.tapPoint = static_cast<TapLocation>(record.tapPoint);
        info.options = static_cast<TapOptions>(record.options);
        info.eventsOfInterest = static_cast<EventMask>(record.eventsOfInterest);
        info.tappingProcess = record.tappingProcess;
        info.processBeingTapped = record.processBeingTapped;
        info.enabled = record.enabled;
        info.minUsecLatency = record.minUsecLatency;
        info.avgUsecLatency = record.avgUsecLatency;
        info.maxUsecLatency = record.maxUsecLatency;
        taps.push_back(info);
    }
    return taps;
}

} // namespace platform::mac
