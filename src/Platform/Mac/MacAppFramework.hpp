#pragma once

#include "Platform/AppFramework.hpp"

namespace platform::mac {

// How AppKit reads a scroll event.
class MacAppFramework final : public AppFramework {
public:
    std::optional<AppScrollEvent> scrollEvent(const Event& event) const override;
};

} // namespace platform::mac
