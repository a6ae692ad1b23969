// What one hop onto a queue costs. Round trips hand one piece of work to a queue and wait until
// it has run, against a plain call and a hand-made mutex-and-condition-variable hand-off to one
// thread (the least a hop to another thread can cost this way). Batches give many pieces at
// once and wait for the last, the cost per piece when the queue's thread is already awake.
#include "CorvaleCore/Dispatch.hpp"
#include "CorvaleCore/MainLoop.hpp"

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <utility>

namespace {

using corvale::DispatchQueue;
using corvale::MainLoop;
using corvale::QualityOfService;

// Waits for work done on another thread.
class Done {
public:
    void signal() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        cv_.notify_one();
    }
    void wait() {
        std::unique_lock lock(mutex_);
        cv_.wait(lock, [&] { return done_; });
        done_ = false;
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool done_ = false;
};

// A thread that runs what it is handed: the hand-made hop the queues are measured against.
class Handoff {
public:
    Handoff()
        : thread_([this] {
              for (;;) {
                  std::function<void()> work;
                  {
                      std::unique_lock lock(mutex_);
                      cv_.wait(lock, [&] { return stop_ || !work_.empty(); });
                      if (work_.empty()) {
                          return;
                      }
                      work = std::move(work_.front());
                      work_.pop_front();
                  }
                  work();
              }
          }) {}
    ~Handoff() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        cv_.notify_one();
        thread_.join();
    }
    void async(std::function<void()> work) {
        {
            std::lock_guard lock(mutex_);
            work_.push_back(std::move(work));
        }
        cv_.notify_one();
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> work_;
    bool stop_ = false;
    std::thread thread_;
};

void perHop(benchmark::State& state, std::int64_t hops) {
    state.SetItemsProcessed(state.iterations() * hops);
    state.counters["per_hop"] =
        benchmark::Counter(static_cast<double>(state.iterations() * hops),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_Baseline_FunctionCall(benchmark::State& state) {
    int counter = 0;
    std::function<void()> work = [&] { ++counter; };
    benchmark::DoNotOptimize(work);
    for (auto _ : state) {
        work();
        benchmark::DoNotOptimize(counter);
    }
    perHop(state, 1);
}

void BM_Baseline_MutexCondvarRoundTrip(benchmark::State& state) {
    Handoff handoff;
    Done done;
    for (auto _ : state) {
        handoff.async([&] { done.signal(); });
        done.wait();
    }
    perHop(state, 1);
}

template <class Async>
void roundTrip(benchmark::State& state, Async async) {
    Done done;
    for (auto _ : state) {
        async([&] { done.signal(); });
        done.wait();
    }
    perHop(state, 1);
}

void BM_SerialQueue_RoundTrip(benchmark::State& state) {
    DispatchQueue queue("bench.serial");
    roundTrip(state, [&](corvale::Work work) { queue.async(std::move(work)); });
}

void BM_GlobalQueue_RoundTrip(benchmark::State& state) {
    DispatchQueue queue = DispatchQueue::global(QualityOfService::userInitiated);
    roundTrip(state, [&](corvale::Work work) { queue.async(std::move(work)); });
}

// The main queue without a toolkit: post from the main thread and drain the loop there.
void BM_MainQueue_PostAndDrain(benchmark::State& state) {
    DispatchQueue main = DispatchQueue::main();
    int counter = 0;
    for (auto _ : state) {
        main.async([&] { ++counter; });
        MainLoop::shared().drain();
    }
    benchmark::DoNotOptimize(counter);
    perHop(state, 1);
}

constexpr int batch = 256;

void BM_Baseline_MutexCondvarBatch(benchmark::State& state) {
    Handoff handoff;
    Done done;
    for (auto _ : state) {
        for (int i = 0; i < batch - 1; ++i) {
            handoff.async([] {});
        }
        handoff.async([&] { done.signal(); });
        done.wait();
    }
    perHop(state, batch);
}

void BM_SerialQueue_Batch(benchmark::State& state) {
    DispatchQueue queue("bench.batch");
    Done done;
    for (auto _ : state) {
        for (int i = 0; i < batch - 1; ++i) {
            queue.async([] {});
        }
        queue.async([&] { done.signal(); });
        done.wait();
    }
    perHop(state, batch);
}

BENCHMARK(BM_Baseline_FunctionCall);
BENCHMARK(BM_Baseline_MutexCondvarRoundTrip)->UseRealTime();
BENCHMARK(BM_SerialQueue_RoundTrip)->UseRealTime();
BENCHMARK(BM_GlobalQueue_RoundTrip)->UseRealTime();
BENCHMARK(BM_MainQueue_PostAndDrain);
BENCHMARK(BM_Baseline_MutexCondvarBatch)->UseRealTime();
BENCHMARK(BM_SerialQueue_Batch)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
