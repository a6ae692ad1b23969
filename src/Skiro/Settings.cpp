#include "Skiro/Settings.hpp"

#include "Skiro/AppParts.hpp"

namespace skiro {

Settings::Settings() : SettingsStore(storeKey) {}

Settings::Settings(corvale::Defaults defaults) : SettingsStore(storeKey, std::move(defaults)) {}

Settings& Settings::shared() {
    return appParts().settings;
}

corvale::SettingsTransfer<Config> Settings::transfer(Settings& store) {
    return corvale::SettingsTransfer<Config>{[&store] { return store.config(); },
                                             [&store](Config imported) {
                                                 imported.hasCompletedOnboarding =
                                                     store.config().hasCompletedOnboarding;
                                                 store.setConfig(std::move(imported));
                                             },
                                             "the settings"};
}

} // namespace skiro
