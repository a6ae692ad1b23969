#pragma once

#include "Corvale/Panels.hpp"
#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/Files.hpp"
#include "CorvaleCore/Log.hpp"
#include "CorvaleCore/SettingsFile.hpp"

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

namespace corvale {

namespace settingstransfer {

// No settings file is anywhere near this big; anything larger is refused before it fills memory.
inline constexpr std::size_t largestFile = 16 * 1024 * 1024;

// The interactive flows, apart from the model: each reports its own failures and throws nothing.
void exportWithPanel(Panels& panels,
                     const std::function<void(const std::filesystem::path&)>& exportTo);
void importWithPanel(Panels& panels, const std::string& contents,
                     const std::function<void(const std::filesystem::path&)>& check,
                     const std::function<void(const std::filesystem::path&)>& importFrom);

} // namespace settingstransfer

// Exports the settings to a settings file and imports them from one: directly from a path (the
// command line) or through the save and open panels with the application's own alerts.
template <SettingsModel Model>
struct SettingsTransfer {
    // Reads the settings to export.
    std::function<Model()> current;
    // Puts imported settings in place.
    std::function<void(Model)> replace;
    // What a file holds, as the import confirmation names it ("the settings").
    std::string contents;

    // Writes a settings file with the current settings, this version and the present moment
    // (whole seconds), atomically: the old file stays whole if anything fails. Throws FileError,
    // or the model's encoding error.
    void exportTo(const std::filesystem::path& location) const {
        auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
        SettingsFile<Model> file(current(), AppIdentity::current().version(), now);
        writeAtomically(location, file.encoded());
    }

    // Reads a settings file and puts its settings in place in one go, or throws before anything
    // changed: FileError when it cannot be read, SettingsFileError or the model's decoding
    // error when it holds no usable settings.
    void importSettings(const std::filesystem::path& location) const {
        Model settings = read(location);
        replace(std::move(settings));
        Log::lifecycle()("settings imported from a file");
    }

    // The save panel proposes "<name> Settings.json"; a failure shows "Couldn't export your
    // settings" with its description; a cancelled panel does nothing.
    void exportWithPanel(Panels& panels) const {
        settingstransfer::exportWithPanel(
            panels, [this](const std::filesystem::path& location) { exportTo(location); });
    }

    // The chosen file is checked first, so one without settings fails before any question;
    // then "Replace your settings?" and only on "Replace" the import. Failures show
    // "Couldn't import these settings"; the settings in effect change only by a whole import.
    void importWithPanel(Panels& panels) const {
        settingstransfer::importWithPanel(
            panels, contents, [](const std::filesystem::path& location) { read(location); },
            [this](const std::filesystem::path& location) { importSettings(location); });
    }

private:
    static Model read(const std::filesystem::path& location) {
        std::string data = readWholeFile(location, settingstransfer::largestFile);
        return SettingsFile<Model>::settingsFrom(data);
    }
};

} // namespace corvale
