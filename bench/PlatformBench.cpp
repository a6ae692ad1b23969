// What the simulated system costs per posted scroll, so that benchmarks of the tap measure the
// tap and not its stand-in. The baseline posts with no tap at all; the others add a
// pass-through tap on the posting thread's own loop, on a run-loop thread (the real shape: the
// tap thread), and the three taps the application keeps.
#include "Platform/Simulated/SimulatedSystem.hpp"

#include <benchmark/benchmark.h>

#include <atomic>
#include <future>
#include <thread>

namespace {

using namespace platform;
using namespace platform::simulated;

Event* passThrough(EventType, Event& event, void*) {
    return &event;
}

// A thread running its run loop until destroyed.
class LoopThread {
public:
    explicit LoopThread(RunLoops& loops) {
        std::promise<RunLoop*> ready;
        auto loop = ready.get_future();
        thread_ = std::thread([this, &loops, &ready] {
            RunLoop& current = loops.current();
            std::unique_ptr<RunLoopSource> port = loops.makePort();
            current.addSource(*port, RunLoopMode::defaultMode);
            ready.set_value(&current);
            while (!stopping_.load()) {
                current.run();
            }
        });
        loop_ = loop.get();
    }
    ~LoopThread() {
        stopping_.store(true);
        loop_->stop();
        thread_.join();
    }
    RunLoop& loop() { return *loop_; }

private:
    std::thread thread_;
    RunLoop* loop_ = nullptr;
    std::atomic<bool> stopping_{false};
};

struct Tap {
    std::unique_ptr<EventTap> tap;
    std::unique_ptr<RunLoopSource> source;

    Tap(System& system, RunLoop& loop, TapLocation location, TapPlacement placement,
        TapOptions options) {
        tap =
            system.eventTaps().create(location, placement, options,
                                      eventMaskBit(EventType::scrollWheel), &passThrough, nullptr);
        source = tap->createRunLoopSource();
        loop.addSource(*source);
    }
};

void post(benchmark::State& state, SimulatedSystem& system) {
    VirtualDevice& trackpad = system.attach(DeviceDescription::builtInTrackpad());
    const Scroll scroll{12.5, -3, 2, 0, 0, 0};
    for (auto _ : state) {
        benchmark::DoNotOptimize(system.post(trackpad, scroll));
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_Baseline_PostWithNoTap(benchmark::State& state) {
    SimulatedSystem system;
    post(state, system);
}

void BM_Post_OnePassThroughTapOnThisThread(benchmark::State& state) {
    SimulatedSystem system;
    Tap tap(system, system.runLoops().current(), TapLocation::hid, TapPlacement::headInsert,
            TapOptions::defaultTap);
    post(state, system);
}

void BM_Post_OnePassThroughTapOnARunLoopThread(benchmark::State& state) {
    SimulatedSystem system;
    LoopThread input(system.runLoops());
    Tap tap(system, input.loop(), TapLocation::hid, TapPlacement::headInsert,
            TapOptions::defaultTap);
    post(state, system);
}

// The main tap, the sentinel and the delivery-point listener, all on one run-loop thread.
void BM_Post_ThreeTapsOnARunLoopThread(benchmark::State& state) {
    SimulatedSystem system;
    LoopThread input(system.runLoops());
    Tap main(system, input.loop(), TapLocation::hid, TapPlacement::headInsert,
             TapOptions::defaultTap);
    Tap sentinel(system, input.loop(), TapLocation::session, TapPlacement::tailAppend,
                 TapOptions::listenOnly);
    Tap delivered(system, input.loop(), TapLocation::annotatedSession, TapPlacement::tailAppend,
                  TapOptions::listenOnly);
    post(state, system);
}

BENCHMARK(BM_Baseline_PostWithNoTap);
BENCHMARK(BM_Post_OnePassThroughTapOnThisThread);
BENCHMARK(BM_Post_OnePassThroughTapOnARunLoopThread)->UseRealTime();
BENCHMARK(BM_Post_ThreeTapsOnARunLoopThread)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
