#include "Corvale/Hotkeys.hpp"

#include "CorvaleCore/Log.hpp"

#include <atomic>
#include <limits>

namespace corvale {

namespace {

std::atomic<platform::HotKeys*>& sharedSystem() {
    static std::atomic<platform::HotKeys*> system{nullptr};
    return system;
}

// Stands in when the registry is used before the application gave the framework its system:
// it registers nothing, so no key is ever swallowed by a registry nobody set up.
class NoHotKeys final : public platform::HotKeys {
public:
    HandlerReference installHandler(Handler) override { return 0; }
    void removeHandler(HandlerReference) override {}
    Registration registerHotKey(std::uint32_t, std::uint32_t, platform::HotKeyID) override {
        return {eventInternalErr, 0};
    }
    platform::hotkey::Status unregisterHotKey(Reference) override {
        return platform::hotkey::eventHotKeyInvalidErr;
    }

private:
    static constexpr platform::hotkey::Status eventInternalErr = -9868;
};

} // namespace

Hotkeys::Hotkeys(platform::HotKeys& system) : system_(system) {}

Hotkeys::~Hotkeys() {
    unregisterBindings();
    unregisterClaims();
    if (eventHandler_ != 0) {
        system_.removeHandler(eventHandler_);
    }
}

Hotkeys& Hotkeys::shared() {
    static Hotkeys* shared = [] {
        platform::HotKeys* system = sharedSystem().load();
        if (system == nullptr) {
            Log::lifecycle().error([] {
                return std::string("Hot keys were asked for before the system was given; none "
                                   "will be registered.");
            });
            static NoHotKeys none;
            system = &none;
        }
        return new Hotkeys(*system);
    }();
    return *shared;
}

void Hotkeys::useSystem(platform::System& system) {
    platform::HotKeys* none = nullptr;
    sharedSystem().compare_exchange_strong(none, &system.hotKeys());
    platform::KeyboardLayout& layout = system.keyboardLayout();
    KeyCombo::setKeyboardLayout(
        [&layout](std::uint32_t keyCode) { return layout.character(keyCode); });
}

std::map<std::uint32_t, std::string> Hotkeys::registeredNames() const {
    std::map<std::uint32_t, std::string> names;
    for (const auto& [id, bound] : registered_) {
        names.emplace(id, bound.name);
    }
    return names;
}

std::map<std::uint32_t, KeyCombo> Hotkeys::claimedCombos() const {
    std::map<std::uint32_t, KeyCombo> combos;
    for (const auto& [id, claimed] : claimed_) {
        combos.emplace(id, claimed.combo);
    }
    return combos;
}

void Hotkeys::install() {
    if (installed_) {
        return;
    }
    installed_ = true;
    eventHandler_ = system_.installHandler([this](std::optional<platform::HotKeyID> pressed) {
        // Someone else's hot key, or an event we cannot read: leave it to the next handler.
        if (!pressed || pressed->signature != signature) {
            return platform::hotkey::eventNotHandledErr;
        }
        fire(pressed->id);
        return platform::hotkey::noErr;
    });
    if (eventHandler_ == 0) {
        Log::lifecycle().error(
            [] { return std::string("Couldn't install the handler for hot keys."); });
    }
}

std::optional<Hotkeys::Added> Hotkeys::add(const KeyCombo& combo) {
    install();
    // IDs are never used twice; a run that used up every one registers no more.
    if (nextID_ == std::numeric_limits<std::uint32_t>::max()) {
        return std::nullopt;
    }
    std::uint32_t id = nextID_++;
    platform::HotKeys::Registration registration =
        system_.registerHotKey(combo.keyCode, combo.modifiers, {signature, id});
    if (registration.status != platform::hotkey::noErr || registration.reference == 0) {
        return std::nullopt;
    }
    return Added{registration.reference, id};
}

void Hotkeys::unregisterBindings() {
    for (const auto& [id, bound] : registered_) {
        system_.unregisterHotKey(bound.reference);
    }
    registered_.clear();
}

void Hotkeys::unregisterClaims() {
    for (const auto& [id, claimed] : claimed_) {
        system_.unregisterHotKey(claimed.reference);
    }
    claimed_.clear();
}

void Hotkeys::registerBindings(Bindings bindings) {
    bindings_ = std::move(bindings);
    if (suspended_) {
        return;
    }
    unregisterBindings();
    std::set<KeyCombo> taken;
    for (const auto& [name, combos] : bindings_) {
        for (const KeyCombo& combo : combos) {
            if (std::optional<Added> added = add(combo)) {
                registered_.emplace(added->id, Bound{added->reference, name});
            } else {
                taken.insert(combo);
            }
        }
    }
    taken_ = taken;
    takenSubscribers_.notify(taken);
}

void Hotkeys::claim(KeyCombo combo, Action action) {
    claims_[combo] = std::move(action);
    if (suspended_) {
        return;
    }
    for (const auto& [id, claimed] : claimed_) {
        if (claimed.combo == combo) {
            return;
        }
    }
    if (std::optional<Added> added = add(combo)) {
        claimed_.emplace(added->id, Claimed{added->reference, combo});
    }
}

void Hotkeys::release(KeyCombo combo) {
    claims_.erase(combo);
    std::erase_if(claimed_, [&](const auto& entry) {
        if (entry.second.combo != combo) {
            return false;
        }
        system_.unregisterHotKey(entry.second.reference);
        return true;
    });
}

void Hotkeys::suspend() {
    if (suspended_) {
        return;
    }
    unregisterBindings();
    unregisterClaims();
    suspended_ = true;
}

void Hotkeys::resume() {
    if (!suspended_) {
        return;
    }
    suspended_ = false;
    registerBindings(bindings_);
    std::map<KeyCombo, Action> claims = claims_;
    for (auto& [combo, action] : claims) {
        claim(combo, std::move(action));
    }
}

void Hotkeys::fire(std::uint32_t id) {
    if (auto claimed = claimed_.find(id); claimed != claimed_.end()) {
        auto claim = claims_.find(claimed->second.combo);
        if (claim != claims_.end() && claim->second) {
            Action action = claim->second;
            action();
        }
        return;
    }
    if (auto bound = registered_.find(id); bound != registered_.end()) {
        if (handler_) {
            Handler handler = handler_;
            std::string name = bound->second.name;
            handler(name);
        }
    }
}

} // namespace corvale
