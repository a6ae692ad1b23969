#include "Corvale/StackSampler.hpp"

#include "Corvale/StackWalk.hpp"

#include <mach/mach.h>
#include <pthread.h>

#include <array>
#include <mutex>
#include <type_traits>

// Here a thread can be suspended: the sampler stops it, reads its registers and walks its frames
// from the sampling thread, then lets it run again. Frame pointers are always kept on this
// system's 64-bit ARM processors, and by the build on Intel ones.
namespace corvale {

namespace {

// The register accessors answer an integer, or a pointer where the SDK signs pointers.
template <typename Value>
std::uintptr_t address(Value value) {
    if constexpr (std::is_pointer_v<Value>) {
        return reinterpret_cast<std::uintptr_t>(value);
    } else {
        return static_cast<std::uintptr_t>(value);
    }
}

// Where the suspended `thread` is; false when the system does not say.
bool registersOf(mach_port_t thread, detail::StoppedAt& at) {
#if defined(__arm64__)
    arm_thread_state64_t state{};
    mach_msg_type_number_t count = ARM_THREAD_STATE64_COUNT;
    if (::thread_get_state(thread, ARM_THREAD_STATE64, reinterpret_cast<thread_state_t>(&state),
                           &count) != KERN_SUCCESS) {
        return false;
    }
    at = {address(arm_thread_state64_get_pc(state)), address(arm_thread_state64_get_fp(state)),
          address(arm_thread_state64_get_sp(state))};
    return true;
#elif defined(__x86_64__)
    x86_thread_state64_t state{};
    mach_msg_type_number_t count = x86_THREAD_STATE64_COUNT;
    if (::thread_get_state(thread, x86_THREAD_STATE64, reinterpret_cast<thread_state_t>(&state),
                           &count) != KERN_SUCCESS) {
        return false;
    }
    at = {address(state.__rip), address(state.__rbp), address(state.__rsp)};
    return true;
#else
    (void)thread;
    (void)at;
    return false;
#endif
}

// A return address as the symbols know it. The system's libraries are built for arm64e and sign
// the return addresses they save: the signature sits in the high bits and must go before
// symbolising. XPACLRI is in the hint space, so it is a no-op on a processor without pointer
// authentication; it works on the link register only.
std::uintptr_t withoutSignature(std::uintptr_t address) {
#if defined(__arm64__)
    register std::uintptr_t linkRegister __asm__("x30") = address;
    __asm__("hint #7" : "+r"(linkRegister));
    return linkRegister;
#else
    return address;
#endif
}

std::mutex& requests() {
    static auto* mutex = new std::mutex();
    return *mutex;
}

} // namespace

StackSampler StackSampler::ofCallingThread() {
    pthread_t self = ::pthread_self();
    // The address given is the stack's top: it grows down from there.
    auto high = reinterpret_cast<std::uintptr_t>(::pthread_get_stackaddr_np(self));
    std::uintptr_t size = ::pthread_get_stacksize_np(self);
    return StackSampler(self, high - size, high);
}

bool StackSampler::isSupported() {
#if defined(__arm64__) || defined(__x86_64__)
    return true;
#else
    return false;
#endif
}

// `wait` is not needed: a suspended thread stops at once, wherever it is.
std::vector<std::uintptr_t> StackSampler::returnAddresses(std::chrono::milliseconds) const {
    if (!isSupported() || stackHigh_ == 0 || ::pthread_equal(thread_, ::pthread_self())) {
        return {};
    }
    std::lock_guard guard(requests());
    mach_port_t thread = ::pthread_mach_thread_np(thread_);
    if (thread == MACH_PORT_NULL || ::thread_suspend(thread) != KERN_SUCCESS) {
        return {};
    }
    // The stopped thread may hold a lock that allocating takes: nothing here allocates until it
    // runs again.
    std::array<std::uintptr_t, maxFrames> frames{};
    std::size_t count = 0;
    detail::StoppedAt at{};
    if (registersOf(thread, at)) {
        count = detail::walkFrames(at, stackLow_, stackHigh_, frames.data(), frames.size());
    }
    ::thread_resume(thread);
    for (std::size_t i = 0; i < count; ++i) {
        frames[i] = withoutSignature(frames[i]);
    }
    return std::vector<std::uintptr_t>(frames.begin(),
                                       frames.begin() + static_cast<std::ptrdiff_t>(count));
}

} // namespace corvale
