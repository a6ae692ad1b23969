#include "Skiro/AppSystem.hpp"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace skiro {

namespace {
std::atomic<platform::System*> current{nullptr};
}

platform::System& appSystem() {
    platform::System* system = current.load(std::memory_order_acquire);
    if (system == nullptr) {
        std::fputs("The application's system was read before it was set.\n", stderr);
        std::abort();
    }
    return *system;
}

void setAppSystem(platform::System& system) {
    current.store(&system, std::memory_order_release);
}

} // namespace skiro
