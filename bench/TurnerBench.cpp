// Turner::turn over streams shaped like real input: a trackpad gesture with momentum, and mouse
// wheel steps. The baseline copies the same samples without deciding anything.
#include "SkiroEngine/Turner.hpp"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

using skiro::Device;
using skiro::Direction;
using skiro::Directions;
using skiro::ScrollSample;
using skiro::Turner;

std::vector<ScrollSample> trackpadGesture() {
    using P = ScrollSample::Phase;
    using M = ScrollSample::Momentum;
    std::vector<ScrollSample> stream;
    stream.push_back({Device::trackpad, true, P::mayBegin, 0, false, false});
    stream.push_back({Device::trackpad, true, P::began, 0, false, false});
    for (int i = 0; i < 40; ++i) {
        stream.push_back({Device::trackpad, true, P::changed, 0, false, false});
    }
    stream.push_back({Device::trackpad, true, P::ended, 0, false, false});
    stream.push_back({Device::trackpad, true, 0, M::began, false, false});
    for (int i = 0; i < 60; ++i) {
        stream.push_back({Device::trackpad, true, 0, M::continued, false, false});
    }
    stream.push_back({Device::trackpad, true, 0, M::ended, false, false});
    return stream;
}

std::vector<ScrollSample> wheelSteps() {
    std::vector<ScrollSample> stream;
    for (int i = 0; i < 64; ++i) {
        stream.push_back({Device::mouse, false, 0, 0, i % 8 == 0, false});
    }
    return stream;
}

const Turner::Settings settings{true, Directions{Direction::standard, Direction::natural,
                                                 Direction::standard, Direction::natural}};

void run(benchmark::State& state, const std::vector<ScrollSample>& stream, bool decide) {
    Turner turner;
    bool natural = true;
    for (auto _ : state) {
        for (const ScrollSample& sample : stream) {
            if (decide) {
                benchmark::DoNotOptimize(turner.turn(sample, settings, [&] { return natural; }));
            } else {
                ScrollSample copy = sample;
                benchmark::DoNotOptimize(copy);
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(stream.size()));
    state.counters["per_event"] =
        benchmark::Counter(static_cast<double>(state.iterations() * stream.size()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_Baseline_CopySamples(benchmark::State& state) {
    run(state, trackpadGesture(), false);
}
void BM_Turn_TrackpadGestureWithMomentum(benchmark::State& state) {
    run(state, trackpadGesture(), true);
}
void BM_Turn_MouseWheelSteps(benchmark::State& state) {
    run(state, wheelSteps(), true);
}

BENCHMARK(BM_Baseline_CopySamples);
BENCHMARK(BM_Turn_TrackpadGestureWithMomentum);
BENCHMARK(BM_Turn_MouseWheelSteps);

} // namespace

BENCHMARK_MAIN();
