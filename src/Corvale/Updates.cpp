#include "Corvale/Updates.hpp"

#include "CorvaleCore/Bundle.hpp"
#include "CorvaleCore/Log.hpp"

namespace corvale {

Updates::Updates(platform::UpdaterFactory factory) : factory_(std::move(factory)) {}

Updates& Updates::shared() {
    static Updates* shared = new Updates();
    return *shared;
}

bool Updates::isConfigured() {
    std::optional<std::string> key = Bundle::main().string(Bundle::updateKeyKey);
    return key && !key->empty();
}

void Updates::start() {
    if (controller_ || !isConfigured() || !factory_) {
        return;
    }
    controller_ = factory_(*this);
    if (controller_) {
        Log::lifecycle()([] { return std::string("The updater started."); });
    } else {
        Log::lifecycle().error([] { return std::string("Couldn't start the updater."); });
    }
}

void Updates::activate() {
    if (auto activate = activate_) {
        activate();
    }
}

void Updates::checkNow() {
    activate();
    if (controller_) {
        controller_->checkForUpdates();
    }
}

bool Updates::canCheck() const {
    return controller_ && controller_->canCheckForUpdates();
}

std::optional<Updates::Date> Updates::lastChecked() const {
    return controller_ ? controller_->lastUpdateCheckDate() : std::nullopt;
}

bool Updates::checksAutomatically() const {
    return controller_ && controller_->automaticallyChecksForUpdates();
}

void Updates::setChecksAutomatically(bool checks) {
    if (controller_) {
        controller_->setAutomaticallyChecksForUpdates(checks);
    }
    changed_.notify(shown());
}

bool Updates::installsAutomatically() const {
    return controller_ && controller_->automaticallyDownloadsUpdates();
}

void Updates::setInstallsAutomatically(bool installs) {
    if (controller_) {
        controller_->setAutomaticallyDownloadsUpdates(installs);
    }
    changed_.notify(shown());
}

Updates::Shown Updates::shown() const {
    return {.checksAutomatically = checksAutomatically(),
            .installsAutomatically = installsAutomatically(),
            .lastChecked = lastChecked(),
            .waiting = waiting_};
}

bool Updates::standardUserDriverShouldHandleShowingScheduledUpdate(const platform::AppcastItem&,
                                                                   bool immediateFocus) {
    return immediateFocus;
}

void Updates::standardUserDriverWillHandleShowingUpdate(bool handleShowingUpdate,
                                                        const platform::AppcastItem& update,
                                                        const platform::UserUpdateState& state) {
    if (handleShowingUpdate) {
        activate();
    } else if (!state.userInitiated) {
        setWaiting(update.displayVersionString);
    }
}

void Updates::standardUserDriverDidReceiveUserAttention(const platform::AppcastItem&) {
    setWaiting(std::nullopt);
}

void Updates::standardUserDriverWillFinishUpdateSession() {
    setWaiting(std::nullopt);
}

void Updates::setWaiting(std::optional<std::string> version) {
    if (version == waiting_) {
        return;
    }
    waiting_ = std::move(version);
    changed_.notify(shown());
    if (auto onChange = onChange_) {
        onChange();
    }
}

} // namespace corvale
