#pragma once

#include "Platform/System.hpp"

namespace skiro {

class InputTap;
class Live;
class Settings;

// The application's parts as the process entry made them, in this order, each handed those
// before it. Parts reached from afar (the menu, the windows, the diagnostics) find them here;
// nothing here makes one.
struct AppParts {
    platform::System& system;
    Settings& settings;
    InputTap& tap;
    Live& live;
};

// What the entry installed; reading it before then ends the process.
const AppParts& appParts();
// The entry, once, before the application runs. Answers what it installed.
const AppParts& setAppParts(const AppParts& parts);

// The platform the application runs on: `appParts().system`.
platform::System& appSystem();

} // namespace skiro
