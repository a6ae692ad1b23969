#include "Skiro/AppParts.hpp"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace skiro {

namespace {
// Never freed: queued blocks and the tap thread may reach the parts until the process ends.
std::atomic<const AppParts*> installed{nullptr};
} // namespace

const AppParts& appParts() {
    const AppParts* parts = installed.load(std::memory_order_acquire);
    if (parts == nullptr) {
        std::fputs("The application's parts were read before the entry made them.\n", stderr);
        std::abort();
    }
    return *parts;
}

const AppParts& setAppParts(const AppParts& parts) {
    const AppParts* made = new AppParts(parts);
    if (installed.exchange(made, std::memory_order_acq_rel) != nullptr) {
        std::fputs("The application's parts were made twice.\n", stderr);
        std::abort();
    }
    return *made;
}

platform::System& appSystem() {
    return appParts().system;
}

} // namespace skiro
