#pragma once

#include "Corvale/Pasteboard.hpp"

namespace corvale {

// The desktop's clipboard as the general pasteboard. The application installs it once Qt runs.
class QtPasteboard final : public Pasteboard {
public:
    void clearContents() override;
    void setString(const std::string& text) override;
    std::optional<std::string> string() const override;
};

} // namespace corvale
