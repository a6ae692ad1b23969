#pragma once

#include "CorvaleCore/KeyCombo.hpp"
#include "CorvaleCore/Subscribers.hpp"
#include "Platform/HotKeys.hpp"
#include "Platform/System.hpp"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace corvale {

// The process's system-wide hot keys. Two kinds live side by side: named bindings (a name to
// its combinations; a press tells `handler` the name) and claims (one combination to one
// action). While suspended no hot key is registered, so the keys a shortcut recorder is
// recording reach it instead of firing; bindings and claims stay stored and come back on
// `resume`. Every hot key is registered with the signature "CRVL" and an ID never used before
// in the process. Main thread only, like the system's hot-key events.
class Hotkeys {
public:
    // "CRVL", big-endian.
    static constexpr std::uint32_t signature = 0x4352564C;

    using Handler = std::function<void(const std::string& name)>;
    using Action = std::function<void()>;
    using Bindings = std::map<std::string, std::vector<KeyCombo>>;

    explicit Hotkeys(platform::HotKeys& system);
    // Unregisters its hot keys and removes its event handler.
    ~Hotkeys();
    Hotkeys(const Hotkeys&) = delete;
    Hotkeys& operator=(const Hotkeys&) = delete;

    // The process's registry, made on first use over the system given to `useSystem`.
    static Hotkeys& shared();
    // Gives the framework the system: its hot keys for `shared()` (only the first call before
    // the first `shared()` counts) and its keyboard layout for naming keys. The system must
    // live as long as the process.
    static void useSystem(platform::System& system);

    // Told the binding's name when one of its hot keys is pressed; none at first.
    void setHandler(Handler handler) { handler_ = std::move(handler); }

    // The bound combinations the system refused at the last registration.
    const std::set<KeyCombo>& taken() const { return taken_; }
    // Each time `taken` is published (every registration that is not deferred).
    Subscription subscribeTaken(std::function<void(const std::set<KeyCombo>&)> receive) {
        return takenSubscribers_.add(std::move(receive));
    }

    const Bindings& bindings() const { return bindings_; }
    bool isSuspended() const { return suspended_; }
    // Whether the hot-key event handler is installed (at the first registration of any kind).
    bool isInstalled() const { return installed_; }
    std::uint32_t nextID() const { return nextID_; }
    // The registered hot keys by ID: the binding names, and the claimed combinations.
    std::map<std::uint32_t, std::string> registeredNames() const;
    std::map<std::uint32_t, KeyCombo> claimedCombos() const;

    // Stores the bindings and, unless suspended, replaces every bound hot key with them: names
    // in ascending order, each name's combinations in order. A combination the system refuses
    // (one taken elsewhere, or earlier in this round) goes into `taken`.
    void registerBindings(Bindings bindings);

    // One combination for one action; registered now unless suspended or already claimed. A
    // claim the system refuses stays unregistered without a word.
    void claim(KeyCombo combo, Action action);
    // Forgets the claim and unregisters its hot keys.
    void release(KeyCombo combo);

    void suspend();
    void resume();

    // A press of the hot key with that ID: a claim's action, else the binding's name to the
    // handler; unknown IDs are ignored.
    void fire(std::uint32_t id);

private:
    struct Bound {
        platform::HotKeys::Reference reference;
        std::string name;
    };
    struct Claimed {
        platform::HotKeys::Reference reference;
        KeyCombo combo;
    };
    struct Added {
        platform::HotKeys::Reference reference;
        std::uint32_t id;
    };

    void install();
    std::optional<Added> add(const KeyCombo& combo);
    void unregisterBindings();
    void unregisterClaims();

    platform::HotKeys& system_;
    Handler handler_;
    std::set<KeyCombo> taken_;
    Subscribers<const std::set<KeyCombo>&> takenSubscribers_;
    Bindings bindings_;
    std::map<std::uint32_t, Bound> registered_;
    std::map<KeyCombo, Action> claims_;
    std::map<std::uint32_t, Claimed> claimed_;
    std::uint32_t nextID_ = 1;
    bool installed_ = false;
    platform::HotKeys::HandlerReference eventHandler_ = 0;
    bool suspended_ = false;
};

} // namespace corvale
