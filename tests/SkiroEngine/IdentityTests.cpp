#include "SkiroEngine/Identity.hpp"

#include "CorvaleCore/Bundle.hpp"

#include "Support/Framework.hpp"

#include <gtest/gtest.h>

namespace skiro {
namespace {

TEST(SkiroIdentity, MatchesTheBundleTheBuildCompiledIn) {
    corvale::Bundle bundle = corvale::Bundle::compiled();
    EXPECT_EQ(bundle.string(corvale::Bundle::nameKey), appIdentity().name);
    EXPECT_EQ(bundle.identifier(), appIdentity().bundleID);
    EXPECT_NE(appIdentity().bundleID, corvale::AppIdentity::fallbackBundleID);
    EXPECT_EQ(corvale::AppIdentity::fromBundle(bundle),
              (corvale::AppIdentity{appIdentity().name, appIdentity().bundleID, ""}));
}

} // namespace
} // namespace skiro
