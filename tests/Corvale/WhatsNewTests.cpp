#include "Corvale/WhatsNew.hpp"

#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/Bundle.hpp"
#include "CorvaleCore/Defaults.hpp"

#include "Support/Framework.hpp"
#include "Support/TemporaryHome.hpp"

#include <gtest/gtest.h>

namespace corvale {
namespace {

using WhatsNew::Feature;
using WhatsNew::Release;

Bundle runningVersion(const std::string& version) {
    json::Json info = *Bundle::compiled().info();
    info[std::string(Bundle::shortVersionKey)] = version;
    return Bundle(info);
}

Release release(const std::string& version) {
    return {version,
            {Feature{"feature-" + version,
                     "star",
                     "New in " + version,
                     "Something to try.",
                     {},
                     std::nullopt}}};
}

std::vector<std::string> versions(const std::vector<Release>& releases) {
    std::vector<std::string> found;
    for (const Release& r : releases) {
        found.push_back(r.version);
    }
    return found;
}

class WhatsNewTest : public ::testing::Test {
protected:
    ~WhatsNewTest() override { WhatsNew::configure({}, std::nullopt, {}, {}); }

    void configure(std::vector<Release> releases, std::optional<std::string> assumedSeen = {}) {
        WhatsNew::configure(
            std::move(releases), std::move(assumedSeen), [this] { return onboarded; },
            [this](const std::vector<Release>& shown) { presented.push_back(versions(shown)); });
    }

    static void storeSeen(const std::string& version) {
        ASSERT_TRUE(Defaults::standard().set(WhatsNew::seenVersionKey, "\"" + version + "\""));
    }

    test::TemporaryHome home;
    test::ScopedIdentity identity{{"Tool", "org.example.tool", "owner/Tool"}};
    std::optional<test::ScopedBundle> bundle{std::in_place, runningVersion("1.4")};
    bool onboarded = true;
    std::vector<std::vector<std::string>> presented;
};

TEST(WhatsNewVersions, ComparePartByPartAsNumbers) {
    EXPECT_TRUE(WhatsNew::isNewer("1.10", "1.9"));
    EXPECT_FALSE(WhatsNew::isNewer("1.2.0", "1.2"));
    EXPECT_TRUE(WhatsNew::isNewer("2", "1.9.9"));
    // "2beta" is no number, so 1.2beta reads as 1.0.
    EXPECT_FALSE(WhatsNew::isNewer("1.2beta", "1.2"));
    EXPECT_TRUE(WhatsNew::isNewer("1.2", "1.2beta"));
    // Empty parts are dropped.
    EXPECT_FALSE(WhatsNew::isNewer("1..2", "1.2"));
    EXPECT_TRUE(WhatsNew::isNewer("1", ""));
    // A part too large to be a number counts as 0.
    EXPECT_FALSE(WhatsNew::isNewer("99999999999999999999", "1"));
}

TEST_F(WhatsNewTest, AFirstLaunchShowsOnlyWhatCameSinceAnAssumedVersionAndRemembersTheVersion) {
    EXPECT_EQ(WhatsNew::seenVersion(), std::nullopt);
    ASSERT_TRUE(Defaults::standard().set(WhatsNew::seenVersionKey, "1.2"));
    configure({release("1.4"), release("1.3")});
    EXPECT_EQ(WhatsNew::seenVersion(), std::nullopt);
    WhatsNew::showIfUpdated();
    EXPECT_TRUE(presented.empty());
    EXPECT_EQ(WhatsNew::seenVersion(), "1.4");
    EXPECT_EQ(Defaults::standard().data("whatsNewSeenVersion"), "\"1.4\"");

    // With an assumed version, a first launch shows what came since.
    ASSERT_TRUE(Defaults::standard().remove(WhatsNew::seenVersionKey));
    configure({release("1.4"), release("1.3")}, "1.3");
    WhatsNew::showIfUpdated();
    EXPECT_EQ(presented, (std::vector<std::vector<std::string>>{{"1.4"}}));
}

TEST_F(WhatsNewTest, AfterAnUpdateTheReleasesSinceTheSeenVersionAreShownNewestFirst) {
    storeSeen("1.2");
    configure({release("1.5"), release("1.4"), release("1.3"), release("1.2")});
    WhatsNew::showIfUpdated();
    EXPECT_EQ(presented, (std::vector<std::vector<std::string>>{{"1.4", "1.3"}}));
    EXPECT_EQ(WhatsNew::seenVersion(), "1.4");

    // Shown once: the next launch of the same version shows nothing.
    WhatsNew::showIfUpdated();
    EXPECT_EQ(presented.size(), 1u);
}

TEST_F(WhatsNewTest, AnUpdateWithoutNotesOrBeforeOnboardingShowsNothing) {
    storeSeen("1.3");
    configure({release("1.3"), release("1.2")});
    WhatsNew::showIfUpdated();
    EXPECT_TRUE(presented.empty());

    // Before onboarding nothing is shown, but the version moves on.
    storeSeen("1.2");
    onboarded = false;
    configure({release("1.4"), release("1.3")});
    WhatsNew::showIfUpdated();
    EXPECT_TRUE(presented.empty());
    EXPECT_EQ(WhatsNew::seenVersion(), "1.4");
}

TEST_F(WhatsNewTest, UnconfiguredItShowsNothingYetStillRemembers) {
    storeSeen("1.2");
    WhatsNew::configure({release("1.4")}, std::nullopt, {}, {});
    WhatsNew::showIfUpdated();
    EXPECT_EQ(WhatsNew::seenVersion(), "1.4");
    // With nothing to present to, even onboarded nothing breaks.
    storeSeen("1.2");
    WhatsNew::configure({release("1.4")}, std::nullopt, [] { return true; }, {});
    WhatsNew::showIfUpdated();
    WhatsNew::showLatest();
    EXPECT_EQ(WhatsNew::seenVersion(), "1.4");
}

TEST_F(WhatsNewTest, ShowLatestPresentsTheNewestReleaseAlone) {
    configure({});
    WhatsNew::showLatest();
    EXPECT_TRUE(presented.empty());

    configure({release("1.4"), release("1.3")});
    WhatsNew::showLatest();
    EXPECT_EQ(presented, (std::vector<std::vector<std::string>>{{"1.4"}}));
    // Asking touches nothing remembered.
    EXPECT_EQ(WhatsNew::seenVersion(), std::nullopt);
}

TEST_F(WhatsNewTest, ThePageJoinsTheFeaturesUnderOneHeading) {
    bool on = false;
    int performed = 0;
    Release newest{"1.4.2",
                   {Feature{"scroll", "arrow.up.arrow.down", "Per-axis directions",
                            "Each axis of each device has its own direction.",
                            [&]() -> std::optional<std::string> {
                                return on ? std::optional<std::string>("On") : std::nullopt;
                            },
                            WhatsNew::Button{"Open Settings", [&] { ++performed; }}},
                    Feature{"pause", "pause", "Pause", "Pause from the menu.", {}, std::nullopt}}};
    std::vector<Release> shown{newest, release("1.3")};

    WhatsNew::Page page = WhatsNew::page(shown);
    EXPECT_EQ(page.heading, "What's new in Tool 1.4");
    EXPECT_EQ(page.subtitle, "A few things to try since your last update.");
    ASSERT_EQ(page.rows.size(), 3u);
    EXPECT_EQ(page.rows[0].id, "scroll");
    EXPECT_EQ(page.rows[0].badge, std::nullopt);
    ASSERT_TRUE(page.rows[0].button.has_value());
    EXPECT_EQ(page.rows[0].button->title, "Open Settings");
    page.rows[0].button->perform();
    EXPECT_EQ(performed, 1);
    EXPECT_EQ(page.rows[2].id, "feature-1.3");

    // Badges are asked each time the page is made.
    on = true;
    EXPECT_EQ(WhatsNew::page(shown).rows[0].badge, "On");

    // Without releases the heading names the running version.
    bundle.emplace(runningVersion("2.0.1"));
    EXPECT_EQ(WhatsNew::page({}).heading, "What's new in Tool 2.0");
    EXPECT_TRUE(WhatsNew::page({}).rows.empty());
}

} // namespace
} // namespace corvale
