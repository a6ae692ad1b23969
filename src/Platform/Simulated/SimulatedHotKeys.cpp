#include "Platform/Simulated/SimulatedHotKeys.hpp"

#include <algorithm>

namespace platform::simulated {

HotKeys::HandlerReference SimulatedHotKeys::installHandler(Handler handler) {
    std::lock_guard lock(mutex_);
    HandlerReference reference = nextHandler_++;
    handlers_.push_back({reference, std::make_shared<Handler>(std::move(handler))});
    return reference;
}

void SimulatedHotKeys::removeHandler(HandlerReference handler) {
    std::lock_guard lock(mutex_);
    std::erase_if(handlers_, [&](const InstalledHandler& h) { return h.reference == handler; });
}

bool SimulatedHotKeys::heldLocked(std::uint32_t keyCode, std::uint32_t modifiers) const {
    auto same = [&](const auto& r) { return r.keyCode == keyCode && r.modifiers == modifiers; };
    return std::any_of(registered_.begin(), registered_.end(), same) ||
           std::any_of(elsewhere_.begin(), elsewhere_.end(), same);
}

HotKeys::Registration SimulatedHotKeys::registerHotKey(std::uint32_t keyCode,
                                                       std::uint32_t modifiers, HotKeyID id) {
    std::lock_guard lock(mutex_);
    if (heldLocked(keyCode, modifiers)) {
        return {hotkey::eventHotKeyExistsErr, 0};
    }
    Reference reference = nextReference_++;
    registered_.push_back({keyCode, modifiers, id, reference});
    return {hotkey::noErr, reference};
}

hotkey::Status SimulatedHotKeys::unregisterHotKey(Reference reference) {
    std::lock_guard lock(mutex_);
    auto found = std::find_if(registered_.begin(), registered_.end(),
                              [&](const Registered& r) { return r.reference == reference; });
    if (reference == 0 || found == registered_.end()) {
        return hotkey::eventHotKeyInvalidErr;
    }
    registered_.erase(found);
    return hotkey::noErr;
}

bool SimulatedHotKeys::registerElsewhere(std::uint32_t keyCode, std::uint32_t modifiers) {
    std::lock_guard lock(mutex_);
    if (heldLocked(keyCode, modifiers)) {
        return false;
    }
    elsewhere_.push_back({keyCode, modifiers});
    return true;
}

void SimulatedHotKeys::unregisterElsewhere(std::uint32_t keyCode, std::uint32_t modifiers) {
    std::lock_guard lock(mutex_);
    std::erase_if(elsewhere_, [&](const Elsewhere& e) {
        return e.keyCode == keyCode && e.modifiers == modifiers;
    });
}

SimulatedHotKeys::Press SimulatedHotKeys::press(std::uint32_t keyCode, std::uint32_t modifiers) {
    std::optional<HotKeyID> id;
    {
        std::lock_guard lock(mutex_);
        for (const Registered& r : registered_) {
            if (r.keyCode == keyCode && r.modifiers == modifiers) {
                id = r.id;
            }
        }
        if (!id) {
            bool other = std::any_of(elsewhere_.begin(), elsewhere_.end(), [&](const Elsewhere& e) {
                return e.keyCode == keyCode && e.modifiers == modifiers;
            });
            return other ? Press::otherProgram : Press::unregistered;
        }
    }
    return deliver(id);
}

SimulatedHotKeys::Press SimulatedHotKeys::deliver(std::optional<HotKeyID> pressed) {
    std::vector<std::shared_ptr<Handler>> handlers;
    {
        std::lock_guard lock(mutex_);
        for (auto it = handlers_.rbegin(); it != handlers_.rend(); ++it) {
            handlers.push_back(it->handler);
        }
    }
    for (const auto& handler : handlers) {
        if ((*handler)(pressed) != hotkey::eventNotHandledErr) {
            return Press::handled;
        }
    }
    return Press::unhandled;
}

std::vector<SimulatedHotKeys::Registered> SimulatedHotKeys::registered() const {
    std::lock_guard lock(mutex_);
    return registered_;
}

bool SimulatedHotKeys::isRegistered(std::uint32_t keyCode, std::uint32_t modifiers) const {
    std::lock_guard lock(mutex_);
    return std::any_of(registered_.begin(), registered_.end(), [&](const Registered& r) {
        return r.keyCode == keyCode && r.modifiers == modifiers;
    });
}

std::size_t SimulatedHotKeys::handlerCount() const {
    std::lock_guard lock(mutex_);
    return handlers_.size();
}

} // namespace platform::simulated
