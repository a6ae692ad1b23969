// What the tap costs per scroll, against a bare callback that reads the three fields the fast
// path reads (the floor). Each benchmark calls a tap callback directly with a prepared event
// on the tap thread (this thread), so it measures the tap and not the simulated routing:
//   floor        the bare callback;
//   fast path    nothing to turn (paused);
//   full, held   a trackpad gesture's changed events, turned, the sender known, the decision
//                held from the gesture's start;
//   full, start  a gesture's start, turned: the decision taken, the system's direction read
//                from the HID event.
// The routed pair posts a whole scroll through the simulated system with the tap on the
// posting thread's loop, to show the tap's share of a scroll's trip.
#include "Platform/Simulated/SimulatedSystem.hpp"
#include "Skiro/Tap/InputTap.hpp"

#include <benchmark/benchmark.h>

namespace {

using namespace platform;
using namespace platform::simulated;
using skiro::InputTap;

Event* floorCallback(EventType type, Event& event, void*) {
    if (type == EventType::scrollWheel) {
        benchmark::DoNotOptimize(event.integerValue(field::scrollWheelEventIsContinuous));
        benchmark::DoNotOptimize(event.integerValue(field::scrollWheelEventScrollPhase));
        benchmark::DoNotOptimize(event.integerValue(field::scrollWheelEventMomentumPhase));
    }
    return &event;
}

const skiro::Directions trackpadStandard{skiro::Direction::standard, skiro::Direction::standard,
                                         skiro::Direction::standard, skiro::Direction::standard};

// A simulated machine with a trackpad, and a tap whose tap thread is this thread.
struct Bench {
    SimulatedSystem system;
    VirtualDevice& trackpad = system.attach(DeviceDescription::builtInTrackpad());
    std::shared_ptr<InputTap> tap = InputTap::make(system, system.runLoops().current(), [] {
        InputTap::Options options;
        options.testHooks = false;
        return options;
    }());

    explicit Bench(bool turning) {
        tap->setSettings({turning, trackpadStandard});
        tap->devices().merge({{trackpad.senderID(), skiro::Device::trackpad}});
    }
    SimulatedEvent scroll(std::int64_t phase) {
        return system.makeScroll(trackpad, Scroll{12, -3, phase, 0, 0, 0});
    }
};

void run(benchmark::State& state, TapCallback callback, void* userInfo, Event& event) {
    // Called through a pointer, as the system calls a tap.
    TapCallback volatile call = callback;
    for (auto _ : state) {
        benchmark::DoNotOptimize(call(EventType::scrollWheel, event, userInfo));
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_Floor_BareCallback(benchmark::State& state) {
    Bench bench(false);
    SimulatedEvent event = bench.scroll(2);
    run(state, &floorCallback, nullptr, event);
}

void BM_FastPath_Paused(benchmark::State& state) {
    Bench bench(false);
    SimulatedEvent event = bench.scroll(2);
    run(state, &InputTap::tapCallback, bench.tap.get(), event);
    if (bench.tap->stats().passed != static_cast<std::int64_t>(state.iterations())) {
        state.SkipWithError("not the fast path");
    }
}

void BM_FullPath_GestureChangedHeld(benchmark::State& state) {
    Bench bench(true);
    SimulatedEvent began = bench.scroll(1);
    bench.tap->scrolled(began);
    SimulatedEvent event = bench.scroll(2);
    run(state, &InputTap::tapCallback, bench.tap.get(), event);
    InputTap::Stats stats = bench.tap->stats();
    if (stats.turned != stats.scrolls || stats.startsFromHID != 1) {
        state.SkipWithError("not turning a held gesture");
    }
}

void BM_FullPath_GestureStartDecided(benchmark::State& state) {
    Bench bench(true);
    SimulatedEvent event = bench.scroll(1);
    run(state, &InputTap::tapCallback, bench.tap.get(), event);
    InputTap::Stats stats = bench.tap->stats();
    if (stats.turned != stats.scrolls || stats.startsFromHID != stats.scrolls) {
        state.SkipWithError("not deciding at each start");
    }
}

// Not the tap's own work: one read of the simulated machine clock, which the tap makes twice
// per scroll to time it (a still simulated clock keeps its ticks ready, as a real machine's
// counter is read; the tap turns ticks into nanoseconds only when the tally is read).
void BM_Part_SimulatedClockRead(benchmark::State& state) {
    SimulatedSystem system;
    Clock& clock = system.clock();
    for (auto _ : state) {
        benchmark::DoNotOptimize(clock.machAbsoluteTime());
    }
    state.SetItemsProcessed(state.iterations());
}

void routed(benchmark::State& state, TapCallback callback, bool turning) {
    Bench bench(turning);
    std::unique_ptr<EventTap> tap = bench.system.eventTaps().create(
        TapLocation::hid, TapPlacement::headInsert, TapOptions::defaultTap,
        eventMaskBit(EventType::scrollWheel), callback, bench.tap.get());
    std::unique_ptr<RunLoopSource> source = tap->createRunLoopSource();
    bench.system.runLoops().current().addSource(*source);
    bench.system.post(bench.trackpad, Scroll{12, -3, 1, 0, 0, 0});
    const Scroll changed{12, -3, 2, 0, 0, 0};
    for (auto _ : state) {
        benchmark::DoNotOptimize(bench.system.post(bench.trackpad, changed));
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_Routed_Floor(benchmark::State& state) {
    routed(state, &floorCallback, false);
}

void BM_Routed_FullPathHeld(benchmark::State& state) {
    routed(state, &InputTap::tapCallback, true);
}

BENCHMARK(BM_Floor_BareCallback);
BENCHMARK(BM_FastPath_Paused);
BENCHMARK(BM_FullPath_GestureChangedHeld);
BENCHMARK(BM_FullPath_GestureStartDecided);
BENCHMARK(BM_Part_SimulatedClockRead);
BENCHMARK(BM_Routed_Floor);
BENCHMARK(BM_Routed_FullPathHeld);

} // namespace

BENCHMARK_MAIN();
