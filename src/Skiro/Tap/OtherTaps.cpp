#include "Skiro/Tap/OtherTaps.hpp"

#include <algorithm>
#include <exception>

namespace skiro {

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
                (tap.eventsOfInterest & platform::eventMaskBit(platform::EventType::scrollWheel)) ==
                    0) {
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
