// The library's side of the seam: the user interface's functions, handed to the entry.
#include "Skiro/Main/Application.hpp"
#include "Skiro/Main/ApplicationSide.hpp"
#include "Skiro/Main/SimulatedWindows.hpp"
#include "Skiro/UI/WindowCommands.hpp"

extern "C" const skiro::app::ApplicationSide* skiroApplicationSide() {
    static const skiro::app::ApplicationSide side{
        .windows = skiro::WindowCommands::windows(),
        .showOwnWindowsOn = skiro::app::deliverToOwnWindows,
        .run = skiro::app::runApplication,
    };
    return &side;
}
