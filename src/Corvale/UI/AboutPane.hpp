#pragma once

#include "Corvale/Updates.hpp"
#include "CorvaleCore/Subscribers.hpp"

#include <QIcon>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>

class QCheckBox;
class QLabel;
class QPushButton;

namespace corvale {

// The About pane every application of the framework shows: who it is and which version, where to
// read more, its updates, detailed logging and the diagnostics a user copies into a bug report.
// The application fills in its own sentences.
class AboutPane : public QWidget {
public:
    struct Texts {
        std::string tagline;
        std::string requirements;
        // What the diagnostics hold of the application's own ("its settings, ...").
        std::string diagnosticsHave;
        // What they leave out.
        std::string privacy;
        // What detailed logging adds ("what it decides for each scroll").
        std::string detailedAbout;
    };
    struct Links {
        std::string license;
        std::string developer;
        std::string tip;
        // Opens an address; "What's New" shows the release notes.
        std::function<void(const std::string& address)> open;
        std::function<void()> whatsNew;
    };
    // A flag the pane shows and sets, and how it hears of changes made elsewhere.
    struct Flag {
        std::function<bool()> get;
        std::function<void(bool)> set;
        std::function<Subscription(std::function<void()> changed)> subscribe;
    };

    AboutPane(QIcon icon, Texts texts, Links links, Flag detailedLogging, Updates& updates,
              QWidget* parent = nullptr);

    // The diagnostics section's sentence for the running application.
    static std::string diagnosticsText(const Texts& texts);

    // "Copy Diagnostics", which reads "Copied" for a moment after the report is on the pasteboard.
    QPushButton* copyButton() const { return copy_; }

private:
    QWidget* header(const QIcon& icon);
    QWidget* updatesSection();
    void refresh();
    void showUpdates(const Updates::Shown& shown);

    Texts texts_;
    Links links_;
    Flag detailedLogging_;
    Updates& updates_;
    QCheckBox* logging_ = nullptr;
    QCheckBox* checks_ = nullptr;
    QCheckBox* installs_ = nullptr;
    QLabel* lastChecked_ = nullptr;
    QPushButton* copy_ = nullptr;
    std::optional<Subscription> loggingChanges_;
    std::optional<Subscription> updateChanges_;
};

} // namespace corvale
