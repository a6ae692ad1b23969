#pragma once

#include "Platform/HotKeys.hpp"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace platform::simulated {

// The system's hot keys. A key combination belongs to at most one registrant at a time: this
// process, or another program. Pressing a combination this process holds sends its hot-key
// event to this process's handlers, newest first, until one takes it; pressing one another
// program holds goes to that program. Handlers run on the pressing thread, outside any lock.
class SimulatedHotKeys final : public HotKeys {
public:
    // What became of a press.
    enum class Press {
        // Nobody holds the combination: the key reaches the application in front as typing.
        unregistered,
        // Another program holds it.
        otherProgram,
        // A handler of this process took the event.
        handled,
        // Every handler passed it on (or none is installed).
        unhandled,
    };

    struct Registered {
        std::uint32_t keyCode = 0;
        std::uint32_t modifiers = 0;
        HotKeyID id;
        Reference reference = 0;

        bool operator==(const Registered&) const = default;
    };

    HandlerReference installHandler(Handler handler) override;
    void removeHandler(HandlerReference handler) override;
    Registration registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                HotKeyID id) override;
    hotkey::Status unregisterHotKey(Reference reference) override;

    // Another program takes a combination; false when someone holds it already.
    bool registerElsewhere(std::uint32_t keyCode, std::uint32_t modifiers);
    void unregisterElsewhere(std::uint32_t keyCode, std::uint32_t modifiers);

    // The user presses a combination.
    Press press(std::uint32_t keyCode, std::uint32_t modifiers);
    // A hot-key event delivered to this process as a press would deliver it; none stands for
    // an event whose hot-key ID cannot be read.
    Press deliver(std::optional<HotKeyID> pressed);

    // This process's hot keys, in the order they were registered.
    std::vector<Registered> registered() const;
    bool isRegistered(std::uint32_t keyCode, std::uint32_t modifiers) const;
    std::size_t handlerCount() const;

private:
    struct Elsewhere {
        std::uint32_t keyCode;
        std::uint32_t modifiers;
    };
    struct InstalledHandler {
        HandlerReference reference;
        std::shared_ptr<Handler> handler;
    };

    bool heldLocked(std::uint32_t keyCode, std::uint32_t modifiers) const;

    mutable std::mutex mutex_;
    std::vector<Registered> registered_;
    std::vector<Elsewhere> elsewhere_;
    std::vector<InstalledHandler> handlers_;
    Reference nextReference_ = 1;
    HandlerReference nextHandler_ = 1;
};

} // namespace platform::simulated
