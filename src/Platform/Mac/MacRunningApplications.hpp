#pragma once

#include "Platform/RunningApplications.hpp"

namespace platform::mac {

class MacRunningApplications final : public RunningApplications {
public:
    std::int32_t currentProcessIdentifier() const override;
    std::optional<std::string> localizedName(std::int32_t processIdentifier) const override;
};

} // namespace platform::mac
