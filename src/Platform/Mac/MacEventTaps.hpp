#pragma once

#include "Platform/EventTap.hpp"

#include <CoreGraphics/CoreGraphics.h>

#include <memory>
#include <optional>
#include <vector>

namespace platform::mac {

// A Quartz event tap: its mach port and the callback it forwards to.
class MacEventTap final : public EventTap {
public:
    MacEventTap(TapCallback callback, void* userInfo)
        : context_(std::make_shared<const TapContext>(TapContext{callback, userInfo})) {}
    MacEventTap(const MacEventTap&) = delete;
    MacEventTap& operator=(const MacEventTap&) = delete;
    ~MacEventTap() override;

    // Makes the system's tap; false when the system refuses it.
    bool start(TapLocation location, TapPlacement placement, TapOptions options, EventMask mask);

    void enable(bool on) override;
    bool isEnabled() const override;
    void invalidate() override;
    std::unique_ptr<RunLoopSource> createRunLoopSource() override;

private:
    static CGEventRef received(CGEventTapProxy proxy, CGEventType type, CGEventRef event,
                               void* info);

    // The system's tap calls back with a bare pointer to it; shared with the tap's sources.
    std::shared_ptr<const TapContext> context_;
    CFMachPortRef port_ = nullptr;
};

class MacEventTaps final : public EventTaps {
public:
    std::unique_ptr<EventTap> create(TapLocation location, TapPlacement placement,
                                     TapOptions options, EventMask mask, TapCallback callback,
                                     void* userInfo) override;
    std::optional<std::vector<TapInformation>> list() const override;
};

} // namespace platform::mac
