#pragma once

// An InputTap started the way the application starts it: its own taps on a RunLoopThread of a
// simulated system, answers handed to the main queue, which the test runs.
#include "CorvaleCore/Dispatch.hpp"
#include "CorvaleCore/LogStore.hpp"
#include "CorvaleCore/MainLoop.hpp"
#include "Platform/Simulated/SimulatedSystem.hpp"
#include "Skiro/Tap/InputTap.hpp"
#include "Skiro/Tap/RunLoopThread.hpp"
#include "Support/Framework.hpp"

#include <algorithm>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace skiro::test {

using namespace platform;
using namespace platform::simulated;

class LiveTap {
public:
    LiveTap() : LiveTap(true) {}
    explicit LiveTap(bool testHooks) {
        corvale::MainLoop::shared().drain();
        // Ordinary lines are kept only with detailed logging.
        corvale::Log::setDetailed(true);
        tap = InputTap::make(system, input.runLoop(),
                             InputTap::Options{.testHooks = testHooks,
                                               .lookups = lookups,
                                               .timer =
                                                   [this](std::chrono::nanoseconds delay,
                                                          std::function<void()> fire) {
                                                       timers.push_back({delay, std::move(fire)});
                                                   },
                                               .writes = writes});
        tap->setOnTrouble([this](InputTap::Trouble trouble) { troubles.push_back(trouble); });
        tap->setOnCheck([this](bool turnedBack) { verdicts.push_back(turnedBack); });
    }
    ~LiveTap() {
        if (tap) {
            tap->stop(false);
        }
        lookups.sync([] {});
        sync();
        writes.sync([] {});
        corvale::MainLoop::shared().drain();
        tap.reset();
    }
    LiveTap(const LiveTap&) = delete;
    LiveTap& operator=(const LiveTap&) = delete;

    corvale::test::ScopedLog log;
    SimulatedSystem system;
    RunLoopThread input{"skiro.input", system.runLoops()};
    corvale::DispatchQueue lookups{"skiro.tests.lookups", corvale::QualityOfService::userInitiated};
    // Recordings are written here; their ends wait in `timers` until the test fires them.
    corvale::DispatchQueue writes{"skiro.tests.writes", corvale::QualityOfService::utility};
    struct Timer {
        std::chrono::nanoseconds delay;
        std::function<void()> fire;
    };
    std::vector<Timer> timers;
    std::shared_ptr<InputTap> tap;
    std::vector<InputTap::Trouble> troubles;
    std::vector<bool> verdicts;

    // Runs `work` on the tap thread and returns what it returns.
    template <class Work>
    auto onTap(Work work) {
        using Result = std::invoke_result_t<Work>;
        std::promise<Result> done;
        auto result = done.get_future();
        input.runLoop().perform([&] {
            if constexpr (std::is_void_v<Result>) {
                work();
                done.set_value();
            } else {
                done.set_value(work());
            }
        });
        input.runLoop().wakeUp();
        return result.get();
    }
    // Everything queued on the tap thread so far has run.
    void sync() {
        onTap([] {});
    }
    // Everything the tap thread handed to the main queue so far has run there.
    void settle() {
        sync();
        corvale::MainLoop::shared().drain();
    }

    // The tap's log lines, oldest first.
    std::vector<std::string> messages() const {
        std::vector<std::string> lines;
        for (const corvale::LogEntry& entry :
             corvale::LogStore::shared().entries({}, corvale::Log::subsystem())) {
            if (entry.category == "tap") {
                lines.push_back(entry.message);
            }
        }
        return lines;
    }
    std::size_t count(const std::string& message) const {
        const std::vector<std::string> lines = messages();
        return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), message));
    }

    // This process's tap at `location` with `options`, as the system keeps it.
    std::shared_ptr<TapCore> platformTap(TapLocation location = TapLocation::hid,
                                         TapOptions options = TapOptions::defaultTap) {
        auto id = system.taps().tapOfThisProcess(location, options);
        return id ? system.taps().find(*id) : nullptr;
    }
    std::shared_ptr<TapCore> sentinelTap() {
        return platformTap(TapLocation::session, TapOptions::listenOnly);
    }
    std::shared_ptr<TapCore> checkTap() {
        return platformTap(TapLocation::annotatedSession, TapOptions::listenOnly);
    }
};

} // namespace skiro::test
