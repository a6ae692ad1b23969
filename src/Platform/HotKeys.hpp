#pragma once

#include <cstdint>
#include <functional>
#include <optional>

// System-wide hot keys: a key combination registered with the system reaches this process's
// application event target as a hot-key-pressed event, whichever application is in front.
namespace platform {

// Statuses as the system reports them.
namespace hotkey {
using Status = std::int32_t;
inline constexpr Status noErr = 0;
// A handler's answer for an event it leaves to the next handler.
inline constexpr Status eventNotHandledErr = -9874;
// The combination is already registered, by this process or another.
inline constexpr Status eventHotKeyExistsErr = -9878;
// No such hot key.
inline constexpr Status eventHotKeyInvalidErr = -9879;
} // namespace hotkey

// What a hot key is registered with and what its events carry: a four-character signature
// (big-endian, "ABCD" is 0x41424344) and an ID of the registrant's choosing.
struct HotKeyID {
    std::uint32_t signature = 0;
    std::uint32_t id = 0;

    bool operator==(const HotKeyID&) const = default;
};

class HotKeys {
public:
    // A registered hot key; 0 is none.
    using Reference = std::uint64_t;
    // An installed handler; 0 is none.
    using HandlerReference = std::uint64_t;
    // Called for each hot-key-pressed event with the event's hot-key ID, or none when the
    // parameter cannot be read. Answers noErr when it took the event, eventNotHandledErr to
    // pass it on to the handler installed before it.
    using Handler = std::function<hotkey::Status(std::optional<HotKeyID> pressed)>;

    struct Registration {
        hotkey::Status status = hotkey::noErr;
        Reference reference = 0;
    };

    virtual ~HotKeys() = default;

    // Installs a handler for hot-key-pressed events on the application's event target. The
    // newest handler hears each event first. Handlers run on the main thread (the simulation:
    // the thread that presses).
    virtual HandlerReference installHandler(Handler handler) = 0;
    virtual void removeHandler(HandlerReference handler) = 0;

    // Registers the key code with the modifier bits (command 256, shift 512, option 2048,
    // control 4096). Success is noErr with a non-zero reference.
    virtual Registration registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                        HotKeyID id) = 0;
    virtual hotkey::Status unregisterHotKey(Reference reference) = 0;
};

} // namespace platform
