// What the simulated system costs per posted scroll, so that benchmarks of the tap measure the
// tap and not its stand-in. The baseline posts with no tap at all; the others add a
// pass-through tap on the posting thread's own loop, on a run-loop thread (the real shape: the
// tap thread), and the three taps the application keeps.
#include "Platform/Simulated/SimulatedSystem.hpp"
#include "Skiro/Tap/RunLoopThread.hpp"

#include <benchmark/benchmark.h>

namespace {

using namespace platform;
using namespace platform::simulated;

Event* passThrough(EventType, Event& event, void*) {
    return &event;
}

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
    skiro::RunLoopThread input("bench.input", system.runLoops());
    Tap tap(system, input.runLoop(), TapLocation::hid, TapPlacement::headInsert,
            TapOptions::defaultTap);
    post(state, system);
}

// The main tap, the sentinel and the delivery-point listener, all on one run-loop thread.
void BM_Post_ThreeTapsOnARunLoopThread(benchmark::State& state) {
    SimulatedSystem system;
    skiro::RunLoopThread input("bench.input", system.runLoops());
    Tap main(system, input.runLoop(), TapLocation::hid, TapPlacement::headInsert,
             TapOptions::defaultTap);
    Tap sentinel(system, input.runLoop(), TapLocation::session, TapPlacement::tailAppend,
                 TapOptions::listenOnly);
    Tap delivered(system, input.runLoop(), TapLocation::annotatedSession, TapPlacement::tailAppend,
                  TapOptions::listenOnly);
    post(state, system);
}

BENCHMARK(BM_Baseline_PostWithNoTap);
BENCHMARK(BM_Post_OnePassThroughTapOnThisThread);
BENCHMARK(BM_Post_OnePassThroughTapOnARunLoopThread)->UseRealTime();
BENCHMARK(BM_Post_ThreeTapsOnARunLoopThread)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
