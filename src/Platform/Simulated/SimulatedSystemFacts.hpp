#pragma once

#include "Platform/SystemFacts.hpp"

#include <mutex>
#include <string>

namespace platform::simulated {

// The machine's facts are the real host's unless a test sets them: the distribution's name and
// version with the kernel's release as the build, the machine's product name ("?" when the
// firmware gives none) and the processor architecture, such as x86_64. No display accommodation
// is on until a test turns one on.
class SimulatedSystemFacts final : public SystemFacts {
public:
    SimulatedSystemFacts();

    std::string operatingSystemVersionString() const override;
    std::string systemName() const override;
    std::string modelIdentifier() const override;
    std::string processorKind() const override;
    DisplayAccommodations displayAccommodations() const override;

    void set(std::string version, std::string model, std::string processor);
    void setSystemName(std::string name);
    void setDisplayAccommodations(DisplayAccommodations accommodations);

private:
    mutable std::mutex mutex_;
    std::string version_;
    std::string name_;
    std::string model_;
    std::string processor_;
    DisplayAccommodations accommodations_;
};

} // namespace platform::simulated
