#include "Skiro/UI/WindowsUI.hpp"

#include "CorvaleCore/Log.hpp"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>

#include <string>

namespace skiro::WindowsUI {

void showWelcome() {
    corvale::Log::lifecycle()([] { return std::string("The welcome window isn't built yet."); });
}

void showCrashNote(const corvale::CrashNote::Model& model) {
    corvale::CrashNote::Page page = corvale::CrashNote::page(model);
    corvale::Log::lifecycle()([&] {
        return "The crash note is ready: " + page.title + " (version " + model.version +
               "). Its window isn't built yet.";
    });
}

void showWhatsNew(const std::vector<corvale::WhatsNew::Release>& releases) {
    corvale::Log::lifecycle()([&] {
        return "The release-notes window isn't built yet; it would show " +
               std::to_string(releases.size()) + " release(s).";
    });
}

std::unique_ptr<QWidget> makeWelcomeContent() {
    auto content = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(content.get());
    layout->addWidget(new QLabel(QStringLiteral("Welcome to Skiro"), content.get()));
    return content;
}

void closeAll() {
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible())
            window->close();
}

} // namespace skiro::WindowsUI
