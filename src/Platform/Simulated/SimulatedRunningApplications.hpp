#pragma once

#include "Platform/RunningApplications.hpp"

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace platform::simulated {

class SimulatedRunningApplications final : public RunningApplications {
public:
    SimulatedRunningApplications();

    std::int32_t currentProcessIdentifier() const override { return self_; }
    std::optional<std::string> localizedName(std::int32_t processIdentifier) const override;

    // A process of another program: an application with a name, or a background process
    // without one. Returns its process identifier.
    std::int32_t launch(std::optional<std::string> name);

private:
    const std::int32_t self_;
    mutable std::mutex mutex_;
    std::map<std::int32_t, std::optional<std::string>> processes_;
    std::int32_t next_ = 400;
};

} // namespace platform::simulated
