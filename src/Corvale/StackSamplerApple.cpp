#include "Corvale/StackSampler.hpp"

#include "Corvale/StackWalk.hpp"

#include <mach/mach.h>
#include <pthread.h>

#include <array>
#include <mutex>
#include <type_traits>

// Here a thread can be suspended: the sampler stops it, reads its registers and walks its frames
// from the sampling thread, then lets it run again. Frame pointers are always kept on this
// system's 64-bit ARM processors; elsewhere every sample is empty.
namespace corvale {

namespace {

#if defined(__arm64__)
constexpr bool processorSupported = true;

// The register accessors answer an integer, or a pointer where the SDK signs pointers.
template <typename Value>
std::uintptr_t address(Value value) {
    if constexpr (std::is_pointer_v<Value>) {
        return reinterpret_cast<std::uintptr_t>(value);
    } else {
        return static_cast<std::uintptr_t>(value);
    }
}

std::mutex& requests() {
    static auto* mutex = new std::mutex();
    return *mutex;
}
#else
constexpr bool processorSupported = false;
#endif

} // namespace

StackSampler StackSampler::ofCallingThread() {
    pthread_t self = ::pthread_self();
    // The address given is the stack's top: it grows down from there.
    auto high = reinterpret_cast<std::uintptr_t>(::pthread_get_stackaddr_np(self));
    std::uintptr_t size = ::pthread_get_stacksize_np(self);
    return StackSampler(self, high - size, high);
}

bool StackSampler::isSupported() {
    return processorSupported;
}

// `wait` is not needed: a suspended thread stops at once, wherever it is.
std::vector<std::uintptr_t> StackSampler::returnAddresses(std::chrono::milliseconds) const {
    if (!processorSupported || stackHigh_ == 0 || ::pthread_equal(thread_, ::pthread_self())) {
        return {};
    }
#if defined(__arm64__)
    std::lock_guard guard(requests());
    mach_port_t thread = ::pthread_mach_thread_np(thread_);
    if (thread == MACH_PORT_NULL) {
        return {};
    }
    // The stopped thread may hold a lock that allocating takes: nothing here allocates until it
    // runs again.
    std::array<std::uintptr_t, maxFrames> frames{};
    std::size_t count = 0;
    if (::thread_suspend(thread) != KERN_SUCCESS) {
        return {};
    }
    arm_thread_state64_t state{};
    mach_msg_type_number_t stateCount = ARM_THREAD_STATE64_COUNT;
    if (::thread_get_state(thread, ARM_THREAD_STATE64, reinterpret_cast<thread_state_t>(&state),
                           &stateCount) == KERN_SUCCESS) {
        detail::StoppedAt at{address(arm_thread_state64_get_pc(state)),
                             address(arm_thread_state64_get_fp(state)),
                             address(arm_thread_state64_get_sp(state))};
        count = detail::walkFrames(at, stackLow_, stackHigh_, frames.data(), frames.size());
    }
    ::thread_resume(thread);
    return std::vector<std::uintptr_t>(frames.begin(),
                                       frames.begin() + static_cast<std::ptrdiff_t>(count));
#else
    return {};
#endif
}

} // namespace corvale
