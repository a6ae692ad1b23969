#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Release notes shown once after an update: the features added since the version the user last
// ran. The application supplies the releases, tells whether onboarding is complete and opens
// the window; this remembers in the user defaults which version the user has seen and decides
// at launch whether anything is new. Main thread only.
namespace corvale::WhatsNew {

// The user default that holds the version that last ran `showIfUpdated()`.
inline constexpr std::string_view seenVersionKey = "whatsNewSeenVersion";
inline constexpr std::string_view subtitle = "A few things to try since your last update.";

// An action the user can take from a feature's row.
struct Button {
    std::string title;
    std::function<void()> perform;
};

// One new thing, identified by `id`.
struct Feature {
    std::string id;
    // The name of the symbol image shown beside it.
    std::string symbol;
    std::string title;
    // A sentence or two.
    std::string detail;
    // Asked when shown: a short status beside the title (whether the feature is on), or none.
    std::function<std::optional<std::string>()> badge;
    std::optional<Button> button;
};

// The features that came in one version (dotted numbers).
struct Release {
    std::string version;
    std::vector<Feature> features;
};

using Present = std::function<void(const std::vector<Release>& releases)>;

// Stores the releases (newest first), the version to assume seen on a first run, whether
// onboarding is complete, and how to show releases. Until then there are no releases, onboarding
// counts as incomplete and nothing is shown.
void configure(std::vector<Release> releases, std::optional<std::string> assumedSeen,
               std::function<bool()> onboarded, Present present);

// At launch: remembers the running version as seen and, when onboarding is complete, presents
// the releases newer than the version seen before (or the assumed one) and no newer than the
// running one. A fresh installation shows nothing.
void showIfUpdated();
// Presents the newest release alone; nothing without releases.
void showLatest();

// Whether version `a` comes after `b`: dotted parts compared as numbers from the left, a missing
// part or one that is no number counting as 0 (so 1.2 and 1.2.0 are equal, and 1.2beta is 1.0).
bool isNewer(std::string_view a, std::string_view b);

// The version stored as seen; none before the first `showIfUpdated()`, or when what is stored
// cannot be read.
std::optional<std::string> seenVersion();

// What the window shows for presented releases.
struct Row {
    std::string id;
    std::string symbol;
    std::string title;
    std::string detail;
    std::optional<std::string> badge;
    std::optional<Button> button;
};

struct Page {
    // "What's new in " + the application's name + " " + the version, cut to two parts.
    std::string heading;
    std::string subtitle;
    // Every feature of the releases, in order; badges asked now.
    std::vector<Row> rows;
};

// The page for `releases`; the heading names the first one's version, or the running version
// when there is none.
Page page(const std::vector<Release>& releases);

// The first two dot-separated parts of a version: 1.4.2 shows as 1.4.
std::string headingVersion(std::string_view version);

} // namespace corvale::WhatsNew
