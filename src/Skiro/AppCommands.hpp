#pragma once

#include "CorvaleCore/Json.hpp"
#include "Platform/System.hpp"
#include "Skiro/Live.hpp"
#include "Skiro/Settings.hpp"
#include "Skiro/Tap/InputTap.hpp"
#include "SkiroEngine/Config.hpp"

#include <array>
#include <functional>
#include <optional>
#include <string>

// The application's own commands, registered after the framework's, and the state document the
// state command prints. Every handler runs on the main thread.
namespace skiro::AppCommands {

// What the commands act on, reached only when a command runs: registering them in a process
// that turns out to be a client makes nothing.
struct Context {
    std::function<Live&()> live;
    std::function<InputTap&()> tap;
    std::function<Settings&()> settings;
    std::function<platform::System&()> system;

    // The application's shared controller, tap and settings on `appSystem()`.
    static Context shared();
};

// Registers, in the usage text's order, pause, resume, set, export, import, record, probe and
// the unlisted test commands, and makes `state` the registry's state provider.
void add();
void add(Context context);

// The state document: what the live controller, the tap and its tally say now.
corvale::json::Json state();
corvale::json::Json state(const Context& context);

// The chosen directions as an object of four members ("trackpadVertical", ... each "natural" or
// "standard"), or "system" when none are chosen.
corvale::json::Json directions();
corvale::json::Json directions(const Config& config);

// The scroll test that listens now, as the user interface reports it for the test commands.
struct ListeningTest {
    // Its page's visible frame in global coordinates: x, y, width, height.
    std::array<double, 4> page{};
    std::optional<std::string> lastInput;
};
struct ScrollTestHooks {
    // None while no test listens or its page does not show.
    std::function<std::optional<ListeningTest>()> listening;
    std::function<void(Axis axis)> switchAxis;
};
// Installed by the user interface at launch; until then no test listens.
void setScrollTestHooks(ScrollTestHooks hooks);

// The usage line of `set`, with the program's name.
std::string setUsage();

} // namespace skiro::AppCommands
