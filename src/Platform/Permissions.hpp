#pragma once

// What the process may do with input events.
namespace platform {

class Permissions {
public:
    virtual ~Permissions() = default;

    // The accessibility trust: needed for taps that change events.
    virtual bool isProcessTrusted() const = 0;
    // The same answer; with `prompt` the system also shows its own request for the trust when
    // it is missing.
    virtual bool isProcessTrustedWithOptions(bool prompt) = 0;

    // Whether the process may listen to input events, and post them (asked, never requested).
    virtual bool preflightListenEventAccess() const = 0;
    virtual bool preflightPostEventAccess() const = 0;
};

} // namespace platform
