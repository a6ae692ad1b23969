#include "Corvale/Panels.hpp"

namespace corvale {

void showFailure(Panels& panels, std::string title, std::string description) {
    panels.runAlert(Alert{Alert::Style::warning, std::move(title), std::move(description), {}});
}

bool confirm(Panels& panels, std::string message, std::string informativeText, std::string confirm,
             std::string cancel) {
    Alert alert{Alert::Style::warning,
                std::move(message),
                std::move(informativeText),
                {std::move(confirm), std::move(cancel)}};
    return panels.runAlert(alert) == 0;
}

} // namespace corvale
