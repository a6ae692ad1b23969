#pragma once

#include "Skiro/AppCommands.hpp"
#include "Skiro/Main/SimulatedDesk.hpp"

#include <functional>

namespace skiro::app {

// The unlisted test command of the simulated machine, with test hooks only:
//
//     skiro test-scroll <trackpad|mouse> <vertical> <horizontal> [page]
//
// With "page" the pointer is put first at the middle of the scroll test page that shows, as
// `listening` tells.
// scrolls on the simulated device of that kind (a gesture device swipes by those amounts, a
// wheel turns one step by them) and answers what the application under the pointer received,
// summed over the scroll's events, beside what the system made before any tap:
//
//     received 10 0 lines (made -10 0)
//
// in points for continuous devices and lines for wheels, or "received nothing (...)" when every
// event was dropped. `desk` and `listening` are asked when the command runs; registering makes
// nothing.
void addTestScroll(std::function<SimulatedDesk*()> desk,
                   std::function<std::optional<AppCommands::ListeningTest>()> listening);

} // namespace skiro::app
