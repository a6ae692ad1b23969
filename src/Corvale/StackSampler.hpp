#pragma once

#include <pthread.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvale {

// Samples one thread's call stack from another thread, for a hung main thread.
//
// On Linux there is no suspending a thread, so the sampler stops it with a signal sent to that
// thread (StackSamplerLinux.cpp). Its handler reads the program counter and frame pointer from
// the signal context and walks the chain of frame records into a buffer prepared beforehand,
// touching nothing that allocates or locks; the sampling thread waits for it for a bounded time
// and describes the addresses afterwards. On macOS the sampler suspends the thread, reads its
// registers and walks the same chain itself (StackSamplerApple.cpp). The walk relies on frame
// pointers (the build keeps them); in a library built without them the chain ends early, and
// the frame that called into such a library is not seen. Linux on x86-64 and macOS on 64-bit
// ARM or Intel only; elsewhere every sample is empty.
class StackSampler {
public:
    // At most this many addresses, program counter first.
    static constexpr std::size_t maxFrames = 48;
    // How long a sample waits for the thread's handler by default.
    static constexpr std::chrono::milliseconds defaultWait{500};

    // Prepares to sample the calling thread, which must outlive every sample taken.
    static StackSampler ofCallingThread();

    // Whether this process can take samples at all (the processor is supported and, on Linux,
    // the signal is free).
    static bool isSupported();

    // The thread's program counter followed by the return addresses of its frames, outermost
    // last. Empty when, on Linux, the thread's handler did not answer within `wait` (it is
    // blocking the signal, or not running; macOS needs no wait), or when sampling is not
    // supported. Any thread but the sampled one; samples of the whole process are taken one at
    // a time.
    std::vector<std::uintptr_t> returnAddresses(std::chrono::milliseconds wait = defaultWait) const;

    // The same, as stack lines (see `lines`).
    std::vector<std::string> sample(std::chrono::milliseconds wait = defaultWait) const;

    std::uintptr_t stackLow() const { return stackLow_; }
    std::uintptr_t stackHigh() const { return stackHigh_; }

    // Stack lines for sampled addresses: the first (the program counter) is looked up as it is,
    // each later one (a return address) at the address minus 1 so the lookup falls inside the
    // calling instruction; each line shows the address itself.
    static std::vector<std::string> lines(const std::vector<std::uintptr_t>& addresses);

    // One stack line, looking `lookup` up in the loaded images:
    // - with a symbol: "<image>  <demangled symbol> + <address - symbol start, decimal>";
    // - with an image only: "<image>  0x<address - image base, hex>";
    // - with nothing (or `lookup` 0): "?  0x<address, hex>".
    // The image is the last component of the image's path, or "?".
    static std::string describe(std::uintptr_t address, std::uintptr_t lookup);

    // A C++ symbol name (beginning with "_Z") demangled; any other name, or one the demangler
    // refuses, unchanged.
    static std::string demangle(std::string_view name);

private:
    StackSampler(pthread_t thread, std::uintptr_t low, std::uintptr_t high)
        : thread_(thread), stackLow_(low), stackHigh_(high) {}

    pthread_t thread_;
    std::uintptr_t stackLow_;
    std::uintptr_t stackHigh_;
};

} // namespace corvale
