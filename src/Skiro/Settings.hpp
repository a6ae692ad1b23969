#pragma once

#include "Corvale/SettingsStore.hpp"
#include "Corvale/SettingsTransfer.hpp"
#include "SkiroEngine/Config.hpp"

namespace skiro {

// The application's settings: the store of the engine's configuration. The process entry makes
// the application's one; the menu, the windows, the commands, the live controller and imports
// all write to it.
class Settings : public corvale::SettingsStore<Config> {
public:
    static constexpr const char* storeKey = "config";

    // Under "config" in the application's standard user defaults.
    Settings();
    explicit Settings(corvale::Defaults defaults);

    // The application's store, as the process entry made it (`appParts()`).
    static Settings& shared();

    // Exports `store`'s configuration and imports into it. An import keeps the store's own `hasCompletedOnboarding`:
    // finishing the welcome on another machine says nothing about this one.
    static corvale::SettingsTransfer<Config> transfer(Settings& store);
};

} // namespace skiro
