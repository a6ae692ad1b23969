#pragma once

#include "CorvaleCore/AppIdentity.hpp"

namespace skiro {

// Skiro's own identity, which the process entry makes `AppIdentity::current()` before anything
// else runs.
corvale::AppIdentity appIdentity();

} // namespace skiro
