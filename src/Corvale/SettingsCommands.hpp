#pragma once

#include "Corvale/Commands.hpp"
#include "Corvale/SettingsTransfer.hpp"

#include <filesystem>
#include <functional>
#include <utility>

namespace corvale::Commands {

// Registers export and import, the two settings-file commands, over `exportTo` and
// `importFrom`, which throw what they cannot do.
void addSettingsCommands(std::function<void(const std::filesystem::path&)> exportTo,
                         std::function<void(const std::filesystem::path&)> importFrom);

// Registers export and import for a settings transfer: "export [file]" writes the settings file
// there, or to "settings.json" in the application's caches folder and prints it; "import
// <file>" reads one and puts its settings in place.
template <SettingsModel Model>
void addSettingsTransfer(SettingsTransfer<Model> transfer) {
    auto shared = std::make_shared<SettingsTransfer<Model>>(std::move(transfer));
    addSettingsCommands(
        [shared](const std::filesystem::path& location) { shared->exportTo(location); },
        [shared](const std::filesystem::path& location) { shared->importSettings(location); });
}

} // namespace corvale::Commands
