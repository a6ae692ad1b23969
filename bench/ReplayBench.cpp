// Replay speed: a recording of 10,000 scrolls (trackpad swipes, turned) replayed through the
// tap on a simulated system, against posting the same scrolls through the simulation without
// Skiro's tap (the floor). Items are scrolls; the ratio of the two rates is the replay's cost.
#include "Skiro/Replay/Replay.hpp"

#include <benchmark/benchmark.h>

namespace {

using namespace platform::simulated;

constexpr std::size_t recordedScrolls = 10'000;

const skiro::Directions trackpadStandard{skiro::Direction::standard, skiro::Direction::standard,
                                         skiro::Direction::natural, skiro::Direction::natural};

// Swipes, one after another, up to the count.
std::vector<Scroll> scrolls() {
    std::vector<Scroll> all;
    for (int i = 0; all.size() < recordedScrolls; ++i) {
        for (const Scroll& scroll : gestures::swipe(20 + i % 7, i % 3, 6, 5)) {
            all.push_back(scroll);
        }
    }
    all.resize(recordedScrolls);
    return all;
}

// Made once, by the tap, 8 ms apart.
const skiro::RecordingFile& recording() {
    static const skiro::RecordingFile file = [] {
        skiro::RecordingFile::Header header;
        header.directions = trackpadStandard;
        skiro::ReplaySystem replay(header);
        const VirtualDevice& trackpad =
            replay.system().attach(DeviceDescription::builtInTrackpad());
        replay.start();
        for (const Scroll& scroll : scrolls()) {
            replay.system().simulatedClock().advance(std::chrono::milliseconds(8));
            replay.system().post(trackpad, scroll);
        }
        return skiro::RecordingReader::read(replay.text());
    }();
    return file;
}

void replay(benchmark::State& state) {
    const skiro::RecordingFile& file = recording();
    for (auto _ : state) {
        const skiro::Replay::Outcome outcome = skiro::Replay::run(file);
        if (!outcome.differences.empty()) {
            state.SkipWithError("the replay differs from the recording");
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(file.scrolls.size()));
}

void postedWithoutTheTap(benchmark::State& state) {
    const std::vector<Scroll> all = scrolls();
    for (auto _ : state) {
        SimulatedSystem system;
        const VirtualDevice& trackpad = system.attach(DeviceDescription::builtInTrackpad());
        for (const Scroll& scroll : all) {
            system.simulatedClock().advance(std::chrono::milliseconds(8));
            benchmark::DoNotOptimize(system.post(trackpad, scroll));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(all.size()));
}

// Wall time: the tap runs on a thread of its own.
BENCHMARK(postedWithoutTheTap)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(replay)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
