#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

class RunningApplications {
public:
    virtual ~RunningApplications() = default;

    // This process, as the tap list names tapping processes.
    virtual std::int32_t currentProcessIdentifier() const = 0;
    // The name of the application with that process identifier; nothing for a process that is
    // no application or has no name.
    virtual std::optional<std::string> localizedName(std::int32_t processIdentifier) const = 0;
};

} // namespace platform
