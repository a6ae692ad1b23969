// The process entry: a client when run with a command, else the application on the simulated
// system. The user interface, and the toolkit with it, is loaded only for the application.
#include "Corvale/CommandLine.hpp"
#include "Corvale/CommandLinks.hpp"
#include "Corvale/CommandSocket.hpp"
#include "Corvale/Commands.hpp"
#include "Corvale/Updates.hpp"
#include "CorvaleCore/AppIdentity.hpp"
#include "Platform/Simulated/SimulatedUpdater.hpp"
#if SKIRO_MAC_BACKEND
#include "Platform/Mac/MacSystem.hpp"
#endif
#include "CorvaleCore/Text.hpp"
#include "Skiro/AppCommands.hpp"
#include "Skiro/AppParts.hpp"
#include "Skiro/Main/ApplicationSide.hpp"
#include "Skiro/Main/SimulatedDesk.hpp"
#include "Skiro/Main/TestScroll.hpp"
#include "Skiro/Settings.hpp"
#include "Skiro/Tap/InputTap.hpp"
#include "Skiro/Tap/RunLoopThread.hpp"
#include "Skiro/Tap/SystemScrolling.hpp"
#include "Skiro/UI/SettingsPane.hpp"
#include "SkiroEngine/Identity.hpp"

#include <algorithm>
#include <atomic>
#include <iostream>

namespace {

// A desktop hands a link to the application as its argument (`skiro skiro://pause`); the
// client passes such arguments on to the running application, launching it first.
void addLinkDelivery() {
    corvale::Commands::add({.name = "open",
                            .arguments = "link...",
                            .summary = "Opens links of the application's scheme.",
                            .launches = true,
                            .listed = false,
                            .run = [](const corvale::Commands::Arguments& links, auto reply) {
                                corvale::Commands::open(links);
                                reply(corvale::Commands::Reply::ok(""));
                            }});
}

// The arguments, with "open" put in front when every one is a link of the application's scheme.
corvale::Commands::Arguments withLinksOpened(int argc, char** argv) {
    corvale::Commands::Arguments arguments(argv, argv + argc);
    const std::string scheme = corvale::asciiLowercased(corvale::AppIdentity::current().name) + ":";
    const bool allLinks =
        arguments.size() > 1 &&
        std::all_of(arguments.begin() + 1, arguments.end(), [&](const std::string& argument) {
            return corvale::asciiLowercased(argument).starts_with(scheme);
        });
    if (allLinks) {
        arguments.insert(arguments.begin() + 1, "open");
    }
    return arguments;
}

// Made once the process is known to be the application; never destroyed, as the tap thread
// runs on it until the process ends.
std::atomic<skiro::app::SimulatedDesk*> desk{nullptr};

// The user interface, loaded once the process is known to be the application.
const skiro::app::ApplicationSide* side = nullptr;

// What the application's commands act on: the parts `assemble` makes, reached only when a
// command runs, which is in the application. A client reaches none.
skiro::AppCommands::Context commandContext() {
    using skiro::appParts;
    return {.live = []() -> skiro::Live& { return appParts().live; },
            .tap = []() -> skiro::InputTap& { return appParts().tap; },
            .settings = []() -> skiro::Settings& { return appParts().settings; },
            .system = []() -> platform::System& { return appParts().system; },
            .systemNatural = [] { return skiro::SystemScrolling::natural(appParts().system); }};
}

// What owns the application's parts. Never destroyed: the tap thread and queued blocks may reach
// them until the process ends. Held from here, so the leak checker sees them as held.
struct Owners {
    skiro::Settings settings;
    std::shared_ptr<skiro::InputTap> tap;
    std::shared_ptr<skiro::Live> live;
};
Owners* owners = nullptr;

// The application's parts, in the order each needs the ones before: the settings store, the
// tap on its own thread, and the live controller over both.
const skiro::AppParts& assemble(platform::System& system) {
    owners = new Owners();
    owners->tap =
        skiro::InputTap::make(system, skiro::RunLoopThread::input(system.runLoops()).runLoop());
    owners->live = skiro::Live::make(system, *owners->tap, owners->settings);
    return skiro::setAppParts({system, owners->settings, *owners->tap, *owners->live});
}

// The window commands as every process registers them: a client needs only their names and the
// panes' names; what they open is reached when they run, which is in the application.
skiro::AppCommands::Windows windows() {
    skiro::AppCommands::Windows windows;
    windows.settingsPanes = skiro::paneNames();
    windows.showSettings = [](std::size_t pane) { side->windows.showSettings(pane); };
    windows.showWelcome = [] { side->windows.showWelcome(); };
    windows.snapshot = [](const std::filesystem::path& folder) {
        return side->windows.snapshot(folder);
    };
    windows.closeAll = [] { side->windows.closeAll(); };
    windows.listening = [] { return side->windows.listening(); };
    windows.switchAxis = [](skiro::Axis axis) { side->windows.switchAxis(axis); };
    return windows;
}

} // namespace

int main(int argc, char** argv) {
    corvale::AppIdentity::setCurrent(skiro::appIdentity());
    skiro::AppCommands::Windows shown = windows();
    skiro::AppCommands::add(commandContext(), shown);
    skiro::app::addTestScroll([] { return desk.load(); }, shown.listening);
    addLinkDelivery();
    corvale::Commands::runIfAsked(withLinksOpened(argc, argv));

    // One instance: a launch while the application answers (or is reached and hangs) leaves it be.
    if (corvale::Commands::send({.command = "state", .arguments = {}, .folder = std::nullopt}, 2)
            .kind != corvale::Commands::Outcome::Kind::notRunning) {
        std::cerr << corvale::AppIdentity::current().name << " is already running.\n";
        return 0;
    }
    side = skiro::app::loadApplicationSide();
    if (side == nullptr) {
        return 1;
    }

#if SKIRO_MAC_BACKEND
    // The real system; test-scroll has no simulated desk to scroll and answers "Not available.".
    // No update framework is linked in yet, so Updates starts none.
    platform::System& system = *new platform::mac::MacSystem();
#else
    auto* machine =
        new skiro::app::SimulatedDesk(skiro::app::SimulatedDesk::Options::fromEnvironment());
    for (const std::string& name : machine->unknownDevices()) {
        std::cerr << "SKIRO_SIM_DEVICES: there's no simulated device '" << name << "'.\n";
    }
    desk.store(machine);
    side->showOwnWindowsOn(machine->system());
    platform::System& system = machine->system();
    // The update framework is not on this platform: a simulated updater whose feed offers nothing.
    corvale::Updates::shared().setFactory([](platform::UpdaterDelegate& delegate) {
        return std::make_unique<platform::simulated::SimulatedUpdater>(delegate);
    });

    std::cerr << corvale::AppIdentity::current().name
              << " is running on a simulated system. From another terminal: "
              << (argc > 0 ? argv[0] : "skiro") << " help" << std::endl;
#endif
    const skiro::AppParts& parts = assemble(system);
    return side->run(argc, argv, parts);
}
