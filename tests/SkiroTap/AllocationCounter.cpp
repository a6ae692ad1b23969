// Replaces the program's operator new to count allocations per thread, so that tests can tell
// whether the per-scroll path allocates. Kept alone in its file so that no caller sees the
// replacement's body.
#include "LiveTap.hpp"

#include <cstdlib>
#include <new>

namespace {
thread_local std::uint64_t allocations = 0;
} // namespace

void* operator new(std::size_t size) {
    ++allocations;
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}

// The non-throwing form too (temporary buffers of the standard library use it): memory it
// hands out is freed by the plain delete above, so both must come from malloc.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    ++allocations;
    return std::malloc(size == 0 ? 1 : size);
}

void operator delete(void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace skiro::test {

std::uint64_t allocationsOnThisThread() {
    return allocations;
}

} // namespace skiro::test
