#include "SkiroEngine/Identity.hpp"
#include "SkiroEngine/Logs.hpp"

#include "CorvaleCore/Bundle.hpp"

#include "Support/Framework.hpp"

#include <gtest/gtest.h>

namespace skiro {
namespace {

TEST(SkiroIdentity, NamesSkiroAndItsRepository) {
    corvale::AppIdentity identity = appIdentity();
    EXPECT_EQ(identity.name, "Skiro");
    EXPECT_EQ(identity.repository.substr(identity.repository.find('/')), "/Skiro");
    EXPECT_EQ(identity.newIssueURL(), "https://github.com/" + identity.repository + "/issues/new");
    EXPECT_NE(identity.bundleID, corvale::AppIdentity::fallbackBundleID);
}

TEST(SkiroIdentity, MatchesTheBundleTheBuildCompiledIn) {
    corvale::Bundle bundle = corvale::Bundle::compiled();
    EXPECT_EQ(bundle.string(corvale::Bundle::nameKey), appIdentity().name);
    EXPECT_EQ(bundle.identifier(), appIdentity().bundleID);
    EXPECT_EQ(corvale::AppIdentity::fromBundle(bundle),
              (corvale::AppIdentity{appIdentity().name, appIdentity().bundleID, ""}));
}

} // namespace
} // namespace skiro
