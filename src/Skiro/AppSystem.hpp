#pragma once

#include "Platform/System.hpp"

namespace skiro {

// The platform the application runs on. The process entry sets it once, before anything shared
// (the tap, the live controller) is made; reading it before then ends the process.
platform::System& appSystem();
void setAppSystem(platform::System& system);

} // namespace skiro
