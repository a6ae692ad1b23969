#include "Corvale/StackSampler.hpp"

#include "Corvale/StackWalk.hpp"

#include <pthread.h>
#include <signal.h>
#include <ucontext.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <thread>

namespace corvale {

namespace {

#if defined(__linux__) && defined(__x86_64__)
constexpr bool processorSupported = true;
#else
constexpr bool processorSupported = false;
#endif

// What the sampling thread and the signal handler share. The state word holds a request's
// generation and its phase; the handler writes the frames only after moving the state from
// "requested" to "writing" for the generation the signal carries, so an answer that comes
// after the sampler gave up is dropped rather than written over a later request.
enum Phase : std::uint64_t { idle = 0, requested = 1, writing = 2, done = 3 };

constexpr std::uint64_t stateOf(std::uint64_t generation, Phase phase) {
    return (generation << 2) | phase;
}
constexpr Phase phaseOf(std::uint64_t state) {
    return static_cast<Phase>(state & 3);
}
constexpr std::uint64_t generationOf(std::uint64_t state) {
    return state >> 2;
}

struct Slot {
    std::atomic<std::uint64_t> state{stateOf(0, idle)};
    // Written by the sampler before a request, read by the handler.
    std::uintptr_t stackLow = 0;
    std::uintptr_t stackHigh = 0;
    // Written by the handler, read by the sampler once the phase is "done".
    std::uintptr_t frames[StackSampler::maxFrames] = {};
    std::size_t count = 0;
};

static_assert(std::atomic<std::uint64_t>::is_always_lock_free,
              "the signal handler may only use lock-free atomics");

// Static storage: nothing is made while a thread is stopped.
Slot slot;

int samplingSignal() {
    return SIGRTMIN + 5;
}

// Runs on the sampled thread, in the middle of whatever it was doing: only plain reads and
// writes of memory and lock-free atomics.
__attribute__((no_sanitize("address", "thread", "undefined"))) void walk(const void* context) {
#if defined(__linux__) && defined(__x86_64__)
    const auto* machine = &static_cast<const ucontext_t*>(context)->uc_mcontext;
    detail::StoppedAt at{static_cast<std::uintptr_t>(machine->gregs[REG_RIP]),
                         static_cast<std::uintptr_t>(machine->gregs[REG_RBP]),
                         static_cast<std::uintptr_t>(machine->gregs[REG_RSP])};
    slot.count =
        detail::walkFrames(at, slot.stackLow, slot.stackHigh, slot.frames, StackSampler::maxFrames);
#else
    (void)context;
    slot.count = 0;
#endif
}

__attribute__((no_sanitize("address", "thread", "undefined"))) void answer(int, siginfo_t* info,
                                                                           void* context) {
    int savedErrno = errno;
    if (info != nullptr && info->si_code == SI_QUEUE && context != nullptr) {
        auto generation = reinterpret_cast<std::uintptr_t>(info->si_value.sival_ptr);
        std::uint64_t expected = stateOf(generation, requested);
        if (slot.state.compare_exchange_strong(expected, stateOf(generation, writing),
                                               std::memory_order_acq_rel)) {
            walk(context);
            slot.state.store(stateOf(generation, done), std::memory_order_release);
        }
    }
    errno = savedErrno;
}

// Installs the handler once; false when the processor is not supported or another handler
// already holds the signal.
bool installed() {
    static const bool ok = [] {
        if (!processorSupported) {
            return false;
        }
        struct sigaction previous {};
        if (::sigaction(samplingSignal(), nullptr, &previous) != 0) {
            return false;
        }
        bool free = (previous.sa_flags & SA_SIGINFO) == 0 && previous.sa_handler == SIG_DFL;
        if (!free) {
            return false;
        }
        struct sigaction action {};
        action.sa_sigaction = answer;
        // Interrupted system calls start again where they can; the handler is quick.
        action.sa_flags = SA_SIGINFO | SA_RESTART;
        sigemptyset(&action.sa_mask);
        return ::sigaction(samplingSignal(), &action, nullptr) == 0;
    }();
    return ok;
}

std::mutex& requests() {
    static auto* mutex = new std::mutex();
    return *mutex;
}

} // namespace

StackSampler StackSampler::ofCallingThread() {
    std::uintptr_t low = 0;
    std::uintptr_t high = 0;
    pthread_attr_t attributes;
    if (::pthread_getattr_np(::pthread_self(), &attributes) == 0) {
        void* address = nullptr;
        std::size_t size = 0;
        if (::pthread_attr_getstack(&attributes, &address, &size) == 0) {
            low = reinterpret_cast<std::uintptr_t>(address);
            high = low + size;
        }
        ::pthread_attr_destroy(&attributes);
    }
    installed();
    return StackSampler(::pthread_self(), low, high);
}

bool StackSampler::isSupported() {
    return installed();
}

std::vector<std::uintptr_t> StackSampler::returnAddresses(std::chrono::milliseconds wait) const {
    if (!installed() || stackHigh_ == 0 || ::pthread_equal(thread_, ::pthread_self())) {
        return {};
    }
    std::lock_guard guard(requests());
    std::uint64_t current = slot.state.load(std::memory_order_acquire);
    // A handler that came too late to an earlier request is still writing: no slot to use.
    if (phaseOf(current) == writing) {
        return {};
    }
    std::uint64_t generation = generationOf(current) + 1;
    slot.stackLow = stackLow_;
    slot.stackHigh = stackHigh_;
    slot.count = 0;
    if (!slot.state.compare_exchange_strong(current, stateOf(generation, requested),
                                            std::memory_order_acq_rel)) {
        return {};
    }
    sigval value{};
    value.sival_ptr = reinterpret_cast<void*>(static_cast<std::uintptr_t>(generation));
    if (::pthread_sigqueue(thread_, samplingSignal(), value) != 0) {
        slot.state.store(stateOf(generation, idle), std::memory_order_release);
        return {};
    }

    using Clock = std::chrono::steady_clock;
    Clock::time_point asked = Clock::now();
    Clock::time_point deadline = asked + wait;
    bool extended = false;
    for (;;) {
        std::uint64_t state = slot.state.load(std::memory_order_acquire);
        if (state == stateOf(generation, done)) {
            std::vector<std::uintptr_t> addresses(slot.frames, slot.frames + slot.count);
            slot.state.store(stateOf(generation, idle), std::memory_order_release);
            return addresses;
        }
        if (Clock::now() >= deadline) {
            std::uint64_t expected = stateOf(generation, requested);
            if (slot.state.compare_exchange_strong(expected, stateOf(generation, idle),
                                                   std::memory_order_acq_rel)) {
                return {}; // no answer: a late one finds the request withdrawn
            }
            // The handler has begun: it takes microseconds unless its thread was preempted.
            if (extended) {
                return {};
            }
            extended = true;
            deadline = Clock::now() + wait;
        }
        // The answer usually comes within microseconds: look again at once for a little while,
        // then at a gentler pace.
        if (Clock::now() - asked < std::chrono::microseconds(200)) {
            std::this_thread::yield();
        } else {
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    }
}

} // namespace corvale
