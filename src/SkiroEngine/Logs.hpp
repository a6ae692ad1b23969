#pragma once

#include "CorvaleCore/Log.hpp"

// The engine's log category. Other modules of the application add theirs to this namespace the
// same way (the tap's "tap" category lives with the tap).
namespace skiro::logs {

// "general": the live controller, the status menu, the settings window.
CORVALE_LOG_CATEGORY(general, "general")

} // namespace skiro::logs
