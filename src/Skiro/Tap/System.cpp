#include "Skiro/Tap/System.hpp"

#include <algorithm>
#include <exception>
#include <variant>

namespace skiro {

namespace {

constexpr platform::EventMask scrollMask = platform::eventMaskBit(platform::EventType::scrollWheel);

platform::Event* unchanged(platform::EventType, platform::Event& event, void*) {
    return &event;
}

} // namespace

bool SystemScrolling::natural(platform::Preferences& preferences) {
    try {
        // A failed synchronize leaves the cached copy, which is still the best answer.
        preferences.synchronizeAnyApplication();
        const std::optional<platform::PreferenceValue> value =
            preferences.copyAnyApplicationValue(key);
        if (value) {
            if (const bool* on = std::get_if<bool>(&*value)) {
                return *on;
            }
        }
    } catch (const std::exception&) {
    }
    return true;
}

bool Accessibility::canTap(platform::EventTaps& taps) {
    try {
        for (platform::TapLocation location :
             {platform::TapLocation::hid, platform::TapLocation::session}) {
            std::unique_ptr<platform::EventTap> trial =
                taps.create(location, platform::TapPlacement::tailAppend,
                            platform::TapOptions::defaultTap, scrollMask, &unchanged, nullptr);
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

void Accessibility::openSettings(platform::Workspace& workspace) {
    try {
        workspace.openURL(settingsAddress);
    } catch (const std::exception&) {
    }
}

std::vector<std::string> OtherTaps::scrollChangers(platform::EventTaps& taps,
                                                   platform::RunningApplications& applications) {
    std::vector<std::string> names;
    try {
        const std::optional<std::vector<platform::TapInformation>> list = taps.list();
        if (!list) {
            return {};
        }
        const std::int32_t self = applications.currentProcessIdentifier();
        for (const platform::TapInformation& tap : *list) {
            // A listener cannot change events; where the tap sits and whether it is on do not
            // matter.
            if (tap.tappingProcess == self || tap.options == platform::TapOptions::listenOnly ||
                (tap.eventsOfInterest & scrollMask) == 0) {
                continue;
            }
            std::optional<std::string> name = applications.localizedName(tap.tappingProcess);
            std::string shown =
                name && !name->empty() ? std::move(*name) : std::string(backgroundProcess);
            if (std::find(names.begin(), names.end(), shown) == names.end()) {
                names.push_back(std::move(shown));
            }
        }
    } catch (const std::exception&) {
        return {};
    }
    return names;
}

} // namespace skiro
