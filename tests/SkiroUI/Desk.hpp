#pragma once

#include "Corvale/UI/EventLoopExecutor.hpp"
#include "Platform/Simulated/SimulatedSystem.hpp"
#include "Skiro/Main/SimulatedWindows.hpp"
#include "Skiro/Settings.hpp"
#include "Skiro/Tap/InputTap.hpp"
#include "Skiro/Tap/RunLoopThread.hpp"
#include "Skiro/UI/OwnWindows.hpp"
#include "Support/QtLoop.hpp"
#include "Support/TemporaryHome.hpp"

#include <QApplication>
#include <QWidget>

#include <cstdlib>
#include <memory>

namespace skiro::test {

// The toolkit, offscreen, serving the main queue; made once for the test program.
inline QApplication& application() {
    static QApplication* made = [] {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        // Dates and numbers shown the same on every machine.
        ::setenv("LC_ALL", "C", 1);
        static int argc = 1;
        static char name[] = "SkiroUITests";
        static char* argv[] = {name, nullptr};
        auto* app = new QApplication(argc, argv);
        corvale::setMainExecutor(std::make_shared<corvale::EventLoopExecutor>());
        OwnWindows::install();
        return app;
    }();
    return *made;
}

using corvale::test::eventually;

// A simulated machine with a trackpad and a mouse whose scrolls reach this process's windows,
// the tap on it with test hooks on, and settings in a temporary home.
struct Desk {
    Desk() {
        application();
        app::deliverToOwnWindows(system);
    }
    // Every window goes first: their pages hold the tap.
    ~Desk() {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->parentWidget() == nullptr) {
                delete window;
            }
        }
        tap->stop(true);
        eventually([] { return true; });
    }
    Desk(const Desk&) = delete;
    Desk& operator=(const Desk&) = delete;

    corvale::test::TemporaryHome home;
    platform::simulated::SimulatedSystem system;
    const platform::simulated::VirtualDevice& trackpad =
        system.attach(platform::simulated::DeviceDescription::builtInTrackpad());
    RunLoopThread input{"skiro.input", system.runLoops()};
    // The queues are named in full: GCC's optimiser, under the sanitizers, takes defaulted
    // optional queues for uninitialised.
    std::shared_ptr<InputTap> tap = InputTap::make(
        system, input.runLoop(),
        InputTap::Options{
            .testHooks = true,
            .lookups = corvale::DispatchQueue::global(corvale::QualityOfService::userInitiated),
            .timer = {},
            .writes = corvale::DispatchQueue::global(corvale::QualityOfService::utility)});
    Settings settings{corvale::Defaults::standard()};
};

} // namespace skiro::test
