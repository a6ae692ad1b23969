#include "Platform/Simulated/XdgLoginItem.hpp"

#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/Files.hpp"
#include "CorvaleCore/Folders.hpp"
#include "CorvaleCore/SystemCalls.hpp"

#include <system_error>

namespace platform::simulated {

namespace {

// An Exec value: the path alone when it needs no quoting, else quoted as the desktop entry
// rules ask, with the string escapes on top of the quoting escapes.
std::string execValue(const std::string& path) {
    bool plain = !path.empty();
    for (char c : path) {
        const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '/' || c == '.' || c == '-' || c == '_' ||
                          c == '+' || c == ',';
        plain = plain && safe;
    }
    if (plain) {
        return path;
    }
    std::string quoted = "\"";
    for (char c : path) {
        if (c == '"' || c == '`' || c == '$') {
            quoted += "\\\\";
        } else if (c == '\\') {
            quoted += "\\\\\\";
        } else if (c == '%') {
            quoted += '%';
        }
        quoted += c;
    }
    return quoted + "\"";
}

} // namespace

std::filesystem::path XdgLoginItem::entry() {
    return corvale::Folders::autostart() / (corvale::AppIdentity::current().bundleID + ".desktop");
}

std::string XdgLoginItem::contents(const std::filesystem::path& executable) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=" +
           corvale::AppIdentity::current().name + "\nExec=" + execValue(executable.string()) +
           "\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
}

LoginItem::Status XdgLoginItem::status() const {
    std::optional<std::string> text = corvale::readFile(entry());
    if (!text) {
        return Status::notRegistered;
    }
    // A session skips an entry marked hidden or switched off.
    const bool off = text->find("\nHidden=true") != std::string::npos ||
                     text->find("\nX-GNOME-Autostart-enabled=false") != std::string::npos;
    return off ? Status::notRegistered : Status::enabled;
}

std::optional<std::string> XdgLoginItem::registerApp() {
    const std::filesystem::path executable = corvale::runningExecutable();
    if (executable.empty()) {
        return "The running executable's location is unknown.";
    }
    const std::filesystem::path file = entry();
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    if (error) {
        return corvale::FileError(corvale::FileError::Operation::write, file.parent_path(),
                                  error.value())
            .description();
    }
    try {
        corvale::writeAtomically(file, contents(executable));
    } catch (const corvale::Error& failure) {
        return failure.description();
    }
    return std::nullopt;
}

std::optional<std::string> XdgLoginItem::unregisterApp() {
    const std::filesystem::path file = entry();
    std::error_code error;
    std::filesystem::remove(file, error);
    if (error) {
        return corvale::FileError(corvale::FileError::Operation::write, file, error.value())
            .description();
    }
    return std::nullopt;
}

} // namespace platform::simulated
