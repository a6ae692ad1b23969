#pragma once

#include "Platform/SystemFacts.hpp"

namespace platform::mac {

// The process information, system controls and the workspace's display settings.
class MacSystemFacts final : public SystemFacts {
public:
    std::string operatingSystemVersionString() const override;
    std::string systemName() const override { return "macOS"; }
    std::string modelIdentifier() const override;
    std::string processorKind() const override;
    DisplayAccommodations displayAccommodations() const override;
};

} // namespace platform::mac
