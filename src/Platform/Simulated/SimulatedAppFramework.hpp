#pragma once

#include "Platform/AppFramework.hpp"

#include <atomic>
#include <optional>

namespace platform::simulated {

class SimulatedAppFramework final : public AppFramework {
public:
    std::optional<AppScrollEvent> scrollEvent(const Event& event) const override;
    // When unavailable, no event of the framework can be made from a Quartz event.
    void setAvailable(bool available) { available_.store(available); }

private:
    std::atomic<bool> available_{true};
};

} // namespace platform::simulated
