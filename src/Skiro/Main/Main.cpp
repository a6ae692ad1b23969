// The process entry: a client when run with a command, else the application on the simulated
// system.
#include "Corvale/Commands.hpp"
#include "Corvale/Diagnostics.hpp"
#include "Corvale/Updates.hpp"
#include "CorvaleCore/AppIdentity.hpp"
#include "Platform/Simulated/SimulatedUpdater.hpp"
#include "Skiro/AppCommands.hpp"
#include "Skiro/AppSystem.hpp"
#include "Skiro/Main/Application.hpp"
#include "Skiro/Main/SimulatedDesk.hpp"
#include "Skiro/Main/TestScroll.hpp"
#include "SkiroEngine/Identity.hpp"

#include <atomic>
#include <iostream>

namespace {

// Made once the process is known to be the application; never destroyed, as the tap thread
// runs on it until the process ends.
std::atomic<skiro::app::SimulatedDesk*> desk{nullptr};

} // namespace

int main(int argc, char** argv) {
    corvale::AppIdentity::setCurrent(skiro::appIdentity());
    skiro::AppCommands::add();
    skiro::app::addTestScroll([] { return desk.load(); });
    corvale::Commands::runIfAsked(argc, argv);

    auto* machine =
        new skiro::app::SimulatedDesk(skiro::app::SimulatedDesk::Options::fromEnvironment());
    for (const std::string& name : machine->unknownDevices()) {
        std::cerr << "SKIRO_SIM_DEVICES: there's no simulated device '" << name << "'.\n";
    }
    desk.store(machine);
    skiro::setAppSystem(machine->system());
    // The machine the diagnostics' environment lines describe.
    corvale::Diagnostics::useFacts(&machine->system().facts());
    // The update framework is not on this platform: a simulated updater whose feed offers nothing.
    corvale::Updates::shared().setFactory([](platform::UpdaterDelegate& delegate) {
        return std::make_unique<platform::simulated::SimulatedUpdater>(delegate);
    });

    std::cerr << corvale::AppIdentity::current().name
              << " is running on a simulated system. From another terminal: "
              << (argc > 0 ? argv[0] : "skiro") << " help" << std::endl;
    skiro::app::Application application;
    return application.run();
}
