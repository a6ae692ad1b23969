#include "Corvale/SettingsTransfer.hpp"

namespace corvale::settingstransfer {

namespace {

// Runs one step of a flow; a failure of any kind is shown under `title`, never thrown.
template <class Step>
bool attempt(Panels& panels, const char* title, Step&& step) {
    try {
        step();
        return true;
    } catch (const Error& error) {
        showFailure(panels, title, error.description());
    } catch (const std::exception& error) {
        showFailure(panels, title, error.what());
    }
    return false;
}

constexpr const char* exportFailed = "Couldn't export your settings";
constexpr const char* importFailed = "Couldn't import these settings";

} // namespace

void exportWithPanel(Panels& panels,
                     const std::function<void(const std::filesystem::path&)>& exportTo) {
    SavePanel panel{AppIdentity::current().name + " Settings.json", {"json"}, true};
    std::optional<std::filesystem::path> location = panels.askToSave(panel);
    if (!location || location->empty()) {
        return;
    }
    attempt(panels, exportFailed, [&] { exportTo(*location); });
}

void importWithPanel(Panels& panels, const std::string& contents,
                     const std::function<void(const std::filesystem::path&)>& check,
                     const std::function<void(const std::filesystem::path&)>& importFrom) {
    std::optional<std::filesystem::path> location = panels.askToOpen(OpenPanel{{"json"}, false});
    if (!location || location->empty()) {
        return;
    }
    // A file without settings never reaches the question.
    if (!attempt(panels, importFailed, [&] { check(*location); })) {
        return;
    }
    std::string text = AppIdentity::current().name + " will use " + contents + " in “" +
                       location->filename().string() + "”. " +
                       "Your current ones are replaced; export them first to keep a copy.";
    if (!confirm(panels, "Replace your settings?", text, "Replace", "Cancel")) {
        return;
    }
    attempt(panels, importFailed, [&] { importFrom(*location); });
}

} // namespace corvale::settingstransfer
