#pragma once

#include "CorvaleCore/Bundle.hpp"

#include <string>

namespace corvale {

// Who the running application is. The framework never names the application: every message,
// file name, queue label and link it makes is built from `current()`, which the process entry
// sets before anything else runs.
struct AppIdentity {
    std::string name;
    std::string bundleID;
    // An owner/name path on the code host; the target of issue links.
    std::string repository;

    static constexpr const char* defaultName = "App";
    static constexpr const char* fallbackBundleID = "app.corvale.unknown";
    static constexpr const char* codeHost = "https://github.com";

    // The running executable's short version from the main bundle, whatever `current` holds;
    // "?" when the bundle has no dictionary, no such key, or a value that is not text.
    std::string version() const;

    // Where a new issue is opened: the code host, "/", the repository, "/issues/new".
    std::string newIssueURL() const;

    bool operator==(const AppIdentity&) const = default;

    // The process-wide identity, a copy, safe from any thread. Until it is set it holds a
    // default made once from the main bundle (see `fromBundle`).
    static AppIdentity current();
    static void setCurrent(AppIdentity identity);
    // Forgets what was set, so the next `current()` makes the default again (tests).
    static void resetCurrent();

    // The default identity for a bundle: its name when that is text, else "App"; its
    // identifier, else the fallback; no repository.
    static AppIdentity fromBundle(const Bundle& bundle);
};

} // namespace corvale
