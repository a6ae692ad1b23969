#include "SkiroEngine/Identity.hpp"
#include "SkiroEngine/Logs.hpp"

#include "Support/Framework.hpp"

#include <gtest/gtest.h>

namespace skiro {
namespace {

TEST(EngineLog, GeneralWritesUnderTheApplicationsSubsystem) {
    corvale::test::ScopedIdentity identity(appIdentity());
    corvale::test::ScopedLog log;
    EXPECT_EQ(logs::general().category(), "general");
    logs::general().error("the tap gave up");
    auto entries = corvale::LogStore::shared().entries(std::chrono::system_clock::time_point::min(),
                                                       appIdentity().bundleID);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].category, "general");
    EXPECT_EQ(entries[0].message, "the tap gave up");
}

} // namespace
} // namespace skiro
