#include "Corvale/WhatsNew.hpp"

#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/Defaults.hpp"
#include "CorvaleCore/Json.hpp"
#include "CorvaleCore/Locked.hpp"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <exception>

namespace corvale::WhatsNew {

namespace {

struct Configuration {
    std::vector<Release> releases;
    std::optional<std::string> assumedSeen;
    std::function<bool()> onboarded;
    Present present;
};

Locked<Configuration>& configuration() {
    static auto* configured = new Locked<Configuration>();
    return *configured;
}

std::vector<std::string_view> parts(std::string_view version) {
    std::vector<std::string_view> found;
    while (!version.empty()) {
        std::size_t dot = version.find('.');
        std::string_view part = version.substr(0, dot);
        if (!part.empty()) {
            found.push_back(part);
        }
        if (dot == std::string_view::npos) {
            break;
        }
        version.remove_prefix(dot + 1);
    }
    return found;
}

// A decimal integer with an optional sign; anything else, or a number too large, counts as 0.
std::int64_t number(std::string_view part) {
    if (!part.empty() && part.front() == '+') {
        part.remove_prefix(1);
        if (!part.empty() && part.front() == '-') {
            return 0;
        }
    }
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
    if (part.empty() || error != std::errc() || end != part.data() + part.size()) {
        return 0;
    }
    return value;
}

void storeSeen(const std::string& version) {
    // A failed write is logged by the defaults; the launch goes on.
    Defaults::standard().set(seenVersionKey, json::encodeCompact(json::Json(version)));
}

} // namespace

void configure(std::vector<Release> releases, std::optional<std::string> assumedSeen,
               std::function<bool()> onboarded, Present present) {
    configuration().set(Configuration{std::move(releases), std::move(assumedSeen),
                                      std::move(onboarded), std::move(present)});
}

bool isNewer(std::string_view a, std::string_view b) {
    std::vector<std::string_view> left = parts(a);
    std::vector<std::string_view> right = parts(b);
    std::size_t count = std::max(left.size(), right.size());
    for (std::size_t i = 0; i < count; ++i) {
        std::int64_t x = i < left.size() ? number(left[i]) : 0;
        std::int64_t y = i < right.size() ? number(right[i]) : 0;
        if (x != y) {
            return x > y;
        }
    }
    return false;
}

std::optional<std::string> seenVersion() {
    std::optional<std::string> stored = Defaults::standard().data(seenVersionKey);
    if (!stored) {
        return std::nullopt;
    }
    try {
        json::Json value = json::parse(*stored);
        if (value.is_string()) {
            return value.get<std::string>();
        }
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

void showIfUpdated() {
    std::optional<std::string> seen = seenVersion();
    std::string running = AppIdentity::current().version();
    storeSeen(running);

    Configuration configured = configuration().copy();
    if (!configured.onboarded || !configured.onboarded()) {
        return;
    }
    if (!seen) {
        seen = configured.assumedSeen;
    }
    if (!seen) {
        return;
    }
    std::vector<Release> fresh;
    for (const Release& release : configured.releases) {
        if (isNewer(release.version, *seen) && !isNewer(release.version, running)) {
            fresh.push_back(release);
        }
    }
    if (!fresh.empty() && configured.present) {
        configured.present(fresh);
    }
}

void showLatest() {
    Configuration configured = configuration().copy();
    if (configured.releases.empty() || !configured.present) {
        return;
    }
    configured.present({configured.releases.front()});
}

std::string headingVersion(std::string_view version) {
    std::vector<std::string_view> found = parts(version);
    std::string heading;
    for (std::size_t i = 0; i < found.size() && i < 2; ++i) {
        if (i > 0) {
            heading += '.';
        }
        heading += found[i];
    }
    return heading;
}

Page page(const std::vector<Release>& releases) {
    AppIdentity identity = AppIdentity::current();
    std::string version = releases.empty() ? identity.version() : releases.front().version;
    Page page;
    page.heading = "What's new in " + identity.name + " " + headingVersion(version);
    page.subtitle = std::string(subtitle);
    for (const Release& release : releases) {
        for (const Feature& feature : release.features) {
            std::optional<std::string> badge = feature.badge ? feature.badge() : std::nullopt;
            page.rows.push_back(
                {feature.id, feature.symbol, feature.title, feature.detail, badge, feature.button});
        }
    }
    return page;
}

} // namespace corvale::WhatsNew
