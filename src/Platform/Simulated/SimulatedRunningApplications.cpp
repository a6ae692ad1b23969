#include "Platform/Simulated/SimulatedRunningApplications.hpp"

#include <unistd.h>

namespace platform::simulated {

SimulatedRunningApplications::SimulatedRunningApplications()
    : self_(static_cast<std::int32_t>(::getpid())) {}

std::optional<std::string>
SimulatedRunningApplications::localizedName(std::int32_t processIdentifier) const {
    std::lock_guard lock(mutex_);
    auto found = processes_.find(processIdentifier);
    if (found == processes_.end()) {
        return std::nullopt;
    }
    return found->second;
}

std::int32_t SimulatedRunningApplications::launch(std::optional<std::string> name) {
    std::lock_guard lock(mutex_);
    if (next_ == self_) {
        ++next_;
    }
    std::int32_t pid = next_++;
    processes_[pid] = std::move(name);
    return pid;
}

} // namespace platform::simulated
