#pragma once

#include "Corvale/WhatsNew.hpp"
#include "Skiro/Settings.hpp"

#include <vector>

namespace skiro::Releases {

// What came in each version, newest first, for the release notes. Empty in this version: no
// notes are shown yet, and the mechanism stands ready.
std::vector<corvale::WhatsNew::Release> all();

// Gives the release notes what the application decides, at launch: these releases, no version
// assumed seen, onboarding as `settings` holds it when asked, and `present` to open the window.
void configureWhatsNew(corvale::WhatsNew::Present present, Settings& settings = Settings::shared());

} // namespace skiro::Releases
