#include "Skiro/Releases.hpp"

#include "CorvaleCore/Defaults.hpp"
#include "SkiroEngine/Identity.hpp"

#include "Support/Framework.hpp"
#include "Support/TemporaryHome.hpp"

#include <gtest/gtest.h>

namespace skiro {
namespace {

class ReleasesTest : public ::testing::Test {
protected:
    ~ReleasesTest() override { corvale::WhatsNew::configure({}, std::nullopt, {}, {}); }

    corvale::test::TemporaryHome home;
    corvale::test::ScopedIdentity identity{appIdentity()};
    Settings settings{corvale::Defaults::standard()};
    int presented = 0;
};

TEST_F(ReleasesTest, ALaunchAfterOnboardingRemembersTheVersionAndShowsNothing) {
    settings.update([](Config& config) { config.hasCompletedOnboarding = true; });
    ASSERT_TRUE(corvale::Defaults::standard().set("whatsNewSeenVersion", "\"0.0.1\""));
    Releases::configureWhatsNew([this](const auto&) { ++presented; }, settings);

    corvale::WhatsNew::showIfUpdated();
    corvale::WhatsNew::showLatest();
    EXPECT_EQ(presented, 0);
    EXPECT_EQ(corvale::WhatsNew::seenVersion(), corvale::AppIdentity::current().version());
}

} // namespace
} // namespace skiro
