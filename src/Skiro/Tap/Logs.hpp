#pragma once

#include "CorvaleCore/Log.hpp"

// The tap's log category, next to the engine's "general".
namespace skiro::logs {

// "tap": the scroll tap, its health and its checks. Never written on the per-scroll path.
CORVALE_LOG_CATEGORY(tap, "tap")

} // namespace skiro::logs
