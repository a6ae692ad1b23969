#include "Skiro/Tap/Accessibility.hpp"

#include <exception>

namespace skiro {

namespace {

platform::Event* unchanged(platform::EventType, platform::Event& event, void*) {
    return &event;
}

} // namespace

bool Accessibility::canTap(platform::EventTaps& taps) {
    try {
        for (platform::TapLocation location :
             {platform::TapLocation::hid, platform::TapLocation::session}) {
            std::unique_ptr<platform::EventTap> trial = taps.create(
                location, platform::TapPlacement::tailAppend, platform::TapOptions::defaultTap,
                platform::eventMaskBit(platform::EventType::scrollWheel), &unchanged, nullptr);
            if (trial) {
                trial->enable(false);
                trial->invalidate();
                return true;
            }
        }
    } catch (const std::exception&) {
    }
    return false;
}

void Accessibility::openSettings(platform::System& system) {
    try {
        system.workspace().openURL(system.names().accessibilitySettings);
    } catch (const std::exception&) {
    }
}

} // namespace skiro
