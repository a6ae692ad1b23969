#include "Platform/Simulated/SimulatedUpdater.hpp"

namespace platform::simulated {

SimulatedUpdater::SimulatedUpdater(UpdaterDelegate& delegate) : delegate_(delegate) {}

bool SimulatedUpdater::canCheckForUpdates() const {
    return state_ != State::showing;
}

void SimulatedUpdater::show(const std::optional<std::string>& version) {
    state_ = State::showing;
    if (version) {
        shown_.push_back(*version);
    }
}

void SimulatedUpdater::checkForUpdates() {
    if (state_ == State::showing) {
        return;
    }
    if (state_ == State::waiting && pending_) {
        AppcastItem item = *pending_;
        show(item.displayVersionString);
        delegate_.standardUserDriverDidReceiveUserAttention(item);
        return;
    }
    lastCheck_ = std::chrono::system_clock::now();
    if (!available_) {
        pending_.reset();
        show(std::nullopt);
        return;
    }
    pending_ = AppcastItem{*available_};
    AppcastItem item = *pending_;
    delegate_.standardUserDriverWillHandleShowingUpdate(true, item, UserUpdateState{true});
    show(item.displayVersionString);
}

void SimulatedUpdater::scheduledCheck(bool immediateFocus) {
    if (!checks_ || state_ == State::showing) {
        return;
    }
    lastCheck_ = std::chrono::system_clock::now();
    if (!available_) {
        return;
    }
    pending_ = AppcastItem{*available_};
    AppcastItem item = *pending_;
    bool handle =
        !delegate_.supportsGentleScheduledUpdateReminders() ||
        delegate_.standardUserDriverShouldHandleShowingScheduledUpdate(item, immediateFocus);
    delegate_.standardUserDriverWillHandleShowingUpdate(handle, item, UserUpdateState{false});
    if (handle) {
        show(item.displayVersionString);
    } else {
        state_ = State::waiting;
    }
}

void SimulatedUpdater::finishSession() {
    if (state_ == State::idle) {
        return;
    }
    state_ = State::idle;
    pending_.reset();
    delegate_.standardUserDriverWillFinishUpdateSession();
}

} // namespace platform::simulated
