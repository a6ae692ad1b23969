#pragma once

#include "Corvale/Panels.hpp"

namespace corvale {

// The toolkit's file dialogs and message boxes, application-modal, for the running application.
class QtPanels final : public Panels {
public:
    std::optional<std::filesystem::path> askToSave(const SavePanel& panel) override;
    std::optional<std::filesystem::path> askToOpen(const OpenPanel& panel) override;
    std::size_t runAlert(const Alert& alert) override;
};

} // namespace corvale
