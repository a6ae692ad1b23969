#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace corvale {

// The save panel's request.
struct SavePanel {
    std::string proposedName;
    // Extensions of the files it accepts, without the dot ("json").
    std::vector<std::string> allowedExtensions;
    bool canCreateFolders = false;

    bool operator==(const SavePanel&) const = default;
};

// The open panel's request.
struct OpenPanel {
    std::vector<std::string> allowedExtensions;
    bool allowsMultipleSelection = false;

    bool operator==(const OpenPanel&) const = default;
};

// A modal alert: a message, the text under it and its buttons, the first being the default.
struct Alert {
    enum class Style { informational, warning, critical };

    Style style = Style::warning;
    std::string message;
    std::string informativeText;
    // No buttons means one "OK".
    std::vector<std::string> buttons;

    bool operator==(const Alert&) const = default;
};

// What needs a window: asking the user for a file and putting an alert in front of them. Each
// call brings the application to the front and runs modally on the main thread. The toolkit
// implements it for the running application; tests answer with a scripted double.
class Panels {
public:
    virtual ~Panels() = default;

    // The location chosen, or none when the panel was cancelled or gave no location.
    virtual std::optional<std::filesystem::path> askToSave(const SavePanel& panel) = 0;
    virtual std::optional<std::filesystem::path> askToOpen(const OpenPanel& panel) = 0;

    // The index of the button chosen among `alert.buttons` (0 for the lone "OK").
    virtual std::size_t runAlert(const Alert& alert) = 0;
};

// A warning titled `title` whose text is the error's user-readable description.
void showFailure(Panels& panels, std::string title, std::string description);

// Whether the user chose the first button, `confirm`, over `cancel`.
bool confirm(Panels& panels, std::string message, std::string informativeText, std::string confirm,
             std::string cancel);

} // namespace corvale
