#include "Corvale/UI/QtApplication.hpp"
#include "Corvale/CommandLinks.hpp"

#include "Corvale/Commands.hpp"
#include "CorvaleCore/Dispatch.hpp"

#include <QFileOpenEvent>

#include <string>

namespace corvale {

bool wantsOffscreen(WindowSystem system, const EnvironmentLookup& environment) {
    if (system == WindowSystem::apple) {
        return false;
    }
    const auto unset = [&](const char* name) {
        const char* value = environment(name);
        return value == nullptr || *value == '\0';
    };
    return unset("DISPLAY") && unset("WAYLAND_DISPLAY") && unset("QT_QPA_PLATFORM");
}

bool LinkEvents::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::FileOpen) {
        return QObject::eventFilter(watched, event);
    }
    const auto* opened = static_cast<QFileOpenEvent*>(event);
    std::string link = opened->url().toString(QUrl::FullyEncoded).toStdString();
    // Queued behind the launch's own work, which a launching link may overtake.
    DispatchQueue::main().async([link = std::move(link)] { Commands::open({link}); });
    return true;
}

} // namespace corvale
