#pragma once

#include "Skiro/AppCommands.hpp"
#include "Skiro/AppParts.hpp"

namespace platform::simulated {
class SimulatedSystem;
} // namespace platform::simulated

// The part of the process only the application needs: the user interface and the toolkit under
// it. It is a library of its own that the entry loads once the process turns out to be the
// application, so that a command run from the terminal never loads the toolkit. The library
// takes everything else from the executable, which exports it.
namespace skiro::app {

struct ApplicationSide {
    // What the window commands act on.
    AppCommands::Windows windows;
    // Makes the application's windows the application under the simulated system's pointer
    // wherever they show.
    void (*showOwnWindowsOn)(platform::simulated::SimulatedSystem& system) = nullptr;
    // Runs the application over the parts the entry made until it quits; answers the process's
    // exit status. Main thread, once.
    int (*run)(int argc, char** argv, const AppParts& parts) = nullptr;
};

// Loads the library, once; none, with the reason on standard error, when it cannot be loaded.
const ApplicationSide* loadApplicationSide();

} // namespace skiro::app

// The one function the library exports, looked up by this name.
extern "C" const skiro::app::ApplicationSide* skiroApplicationSide();
