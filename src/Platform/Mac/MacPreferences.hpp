#pragma once

#include "Platform/Preferences.hpp"

namespace platform::mac {

// The any-application domain of the current user, through Core Foundation preferences.
class MacPreferences final : public Preferences {
public:
    bool synchronizeAnyApplication() override;
    std::optional<PreferenceValue> copyAnyApplicationValue(std::string_view key) override;
};

} // namespace platform::mac
