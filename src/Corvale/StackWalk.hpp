#pragma once

#include <cstddef>
#include <cstdint>

// The frame-pointer walk the stack samplers of every system share.
namespace corvale::detail {

// Where a stopped thread was.
struct StoppedAt {
    std::uintptr_t pc;
    std::uintptr_t frame;
    std::uintptr_t sp;
};

// Writes the program counter, then the return addresses found by following the chain of frame
// records (the caller's record, then the return address, a word each) from the frame pointer.
// At most `capacity` (at least 1) addresses; answers how many. Only plain reads of memory, so a
// signal handler may call it. Left out of the sanitizers' instrumentation, as it reads stack
// words of frames the compiler did not lay out for it.
__attribute__((no_sanitize("address", "thread", "undefined"))) inline std::size_t
walkFrames(StoppedAt at, std::uintptr_t stackLow, std::uintptr_t stackHigh, std::uintptr_t* frames,
           std::size_t capacity) {
    // The main thread's stack grows on demand: only what lies above the stack pointer is
    // certain to be mapped.
    std::uintptr_t low = at.sp > stackLow ? at.sp : stackLow;
    std::uintptr_t frame = at.frame;
    std::size_t count = 0;
    frames[count++] = at.pc;
    while (count < capacity) {
        if (frame % 8 != 0 || frame == 0 || frame < low || frame + 16 > stackHigh) {
            break;
        }
        std::uintptr_t returnAddress = *reinterpret_cast<const volatile std::uintptr_t*>(frame + 8);
        if (returnAddress == 0) {
            break;
        }
        frames[count++] = returnAddress;
        std::uintptr_t next = *reinterpret_cast<const volatile std::uintptr_t*>(frame);
        if (next <= frame) {
            break;
        }
        frame = next;
    }
    return count;
}

} // namespace corvale::detail
