#pragma once

#include "CorvaleCore/Json.hpp"
#include "Platform/System.hpp"
#include "Skiro/Live.hpp"
#include "Skiro/Settings.hpp"
#include "Skiro/Tap/InputTap.hpp"
#include "SkiroEngine/Config.hpp"

#include <array>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The application's own commands, registered after the framework's, and the state document the
// state command prints. Every handler runs on the main thread.
namespace skiro::AppCommands {

// What the commands act on, handed over by the process entry and reached only when a command
// runs: registering them in a process that turns out to be a client makes nothing.
struct Context {
    std::function<Live&()> live;
    std::function<InputTap&()> tap;
    std::function<Settings&()> settings;
    std::function<platform::System&()> system;
    // Whether the system scrolls naturally now, for the directions shown before any are chosen.
    std::function<bool()> systemNatural;
};

// The scroll test that listens now, as the user interface reports it for the test commands.
struct ListeningTest {
    // Its page's visible frame in global coordinates: x, y, width, height.
    std::array<double, 4> page{};
    std::optional<std::string> lastInput;
};

// The windows the commands open, supplied by the user interface, which this module cannot see.
// Registering reads only `settingsPanes`; the functions run when a command does.
struct Windows {
    // The settings window's panes by their printed names, in order; `showSettings` takes a
    // position in this list.
    std::vector<std::string> settingsPanes;
    std::function<void(std::size_t pane)> showSettings;
    std::function<void()> showWelcome;
    // Draws the pictures into `folder`, which exists, and answers the files written. Throws
    // corvale::Error when one cannot be written.
    std::function<std::vector<std::filesystem::path>(const std::filesystem::path& folder)> snapshot;
    // Closes every visible window.
    std::function<void()> closeAll;
    // None while no test listens or its page does not show.
    std::function<std::optional<ListeningTest>()> listening;
    std::function<void(Axis axis)> switchAxis;
};

// Registers, in the usage text's order, pause, resume, settings, welcome, set, export, import,
// record, probe, snapshot and the unlisted test commands, and makes `state` the registry's state
// provider.
void add(Context context, Windows windows);

// The state document: what the live controller, the tap and its tally say now, and the listening
// scroll test's page when test hooks are on.
corvale::json::Json state(const Context& context, const Windows& windows = {});

// The chosen directions as an object of four members ("trackpadVertical", ... each "natural" or
// "standard"), or "system" when none are chosen.
corvale::json::Json directions(const Config& config);

// The usage line of `set`, with the program's name.
std::string setUsage();

} // namespace skiro::AppCommands
