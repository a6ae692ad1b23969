#include "Platform/Mac/MacHotKeys.hpp"

#include <Carbon/Carbon.h>

#include <cstdint>
#include <optional>

namespace platform::mac {

struct MacHotKeys::Installed {
    Handler handler;
    EventHandlerRef system = nullptr;
};

namespace {

OSStatus hotKeyPressed(EventHandlerCallRef, EventRef event, void* userData) {
    auto* installed = static_cast<const HotKeys::Handler*>(userData);
    EventHotKeyID pressed{};
    std::optional<HotKeyID> id;
    if (GetEventParameter(event, kEventParamDirectObject, typeEventHotKeyID, nullptr,
                          sizeof(pressed), nullptr, &pressed) == noErr) {
        id = HotKeyID{pressed.signature, pressed.id};
    }
    return (*installed)(id);
}

HotKeys::Reference toReference(EventHotKeyRef ref) {
    return static_cast<HotKeys::Reference>(reinterpret_cast<std::uintptr_t>(ref));
}

} // namespace

// Out of line: the handlers' type is complete only here.
MacHotKeys::MacHotKeys() = default;

MacHotKeys::~MacHotKeys() {
    std::lock_guard lock(mutex_);
    for (Reference reference : registered_) {
        UnregisterEventHotKey(
            reinterpret_cast<EventHotKeyRef>(static_cast<std::uintptr_t>(reference)));
    }
    for (auto& [token, installed] : handlers_) {
        RemoveEventHandler(installed->system);
    }
}

HotKeys::HandlerReference MacHotKeys::installHandler(Handler handler) {
    auto installed = std::make_unique<Installed>();
    installed->handler = std::move(handler);
    const EventTypeSpec pressed{kEventClassKeyboard, kEventHotKeyPressed};
    // Carbon calls the newest handler first and passes eventNotHandledErr on to the next.
    if (InstallEventHandler(GetApplicationEventTarget(), NewEventHandlerUPP(hotKeyPressed), 1,
                            &pressed, &installed->handler, &installed->system) != noErr) {
        return 0;
    }
    std::lock_guard lock(mutex_);
    const HandlerReference token = nextHandler_++;
    handlers_.emplace(token, std::move(installed));
    return token;
}

void MacHotKeys::removeHandler(HandlerReference handler) {
    std::unique_ptr<Installed> removed;
    {
        std::lock_guard lock(mutex_);
        auto found = handlers_.find(handler);
        if (found == handlers_.end()) {
            return;
        }
        removed = std::move(found->second);
        handlers_.erase(found);
    }
    RemoveEventHandler(removed->system);
}

HotKeys::Registration MacHotKeys::registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                                 HotKeyID id) {
    EventHotKeyRef ref = nullptr;
    const EventHotKeyID systemID{id.signature, id.id};
    const OSStatus status =
        RegisterEventHotKey(keyCode, modifiers, systemID, GetApplicationEventTarget(), 0, &ref);
    if (status != noErr || ref == nullptr) {
        return Registration{status != noErr ? status : hotkey::eventHotKeyInvalidErr, 0};
    }
    const Reference reference = toReference(ref);
    std::lock_guard lock(mutex_);
    registered_.insert(reference);
    return Registration{hotkey::noErr, reference};
}

hotkey::Status MacHotKeys::unregisterHotKey(Reference reference) {
    {
        std::lock_guard lock(mutex_);
        if (registered_.erase(reference) == 0) {
            return hotkey::eventHotKeyInvalidErr;
        }
    }
    return UnregisterEventHotKey(
        reinterpret_cast<EventHotKeyRef>(static_cast<std::uintptr_t>(reference)));
}

} // namespace platform::mac
