// What sampling a stopped thread's stack costs, against a round trip to a serial queue (one hop
// to another thread and back). Addresses only is what the sampled thread waits for; with lines
// adds the symbol lookup and demangling that run afterwards on the sampling thread.
#include "Corvale/StackSampler.hpp"
#include "CorvaleCore/Dispatch.hpp"

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <future>
#include <mutex>
#include <optional>
#include <thread>

namespace {

using corvale::DispatchQueue;
using corvale::StackSampler;

// A thread blocked in a wait, as a hung main thread often is.
class Parked {
public:
    Parked() {
        std::promise<StackSampler> made;
        std::future<StackSampler> sampler = made.get_future();
        thread_ = std::thread([&] {
            made.set_value(StackSampler::ofCallingThread());
            std::unique_lock lock(mutex_);
            released_.wait(lock, [&] { return release_; });
        });
        sampler_.emplace(sampler.get());
    }
    ~Parked() {
        {
            std::lock_guard lock(mutex_);
            release_ = true;
        }
        released_.notify_one();
        thread_.join();
    }
    const StackSampler& sampler() const { return *sampler_; }

private:
    std::mutex mutex_;
    std::condition_variable released_;
    bool release_ = false;
    std::optional<StackSampler> sampler_;
    std::thread thread_;
};

void SerialQueueRoundTrip(benchmark::State& state) {
    DispatchQueue queue("bench.hop");
    for (auto _ : state) {
        queue.sync([] {});
    }
}
BENCHMARK(SerialQueueRoundTrip);

void SampleAddresses(benchmark::State& state) {
    Parked parked;
    for (auto _ : state) {
        auto addresses = parked.sampler().returnAddresses();
        if (addresses.empty()) {
            state.SkipWithError("the thread did not answer");
            break;
        }
        benchmark::DoNotOptimize(addresses);
    }
}
BENCHMARK(SampleAddresses);

void SampleLines(benchmark::State& state) {
    Parked parked;
    for (auto _ : state) {
        auto lines = parked.sampler().sample();
        if (lines.empty()) {
            state.SkipWithError("the thread did not answer");
            break;
        }
        benchmark::DoNotOptimize(lines);
    }
}
BENCHMARK(SampleLines);

} // namespace

BENCHMARK_MAIN();
