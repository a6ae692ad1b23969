#include "CorvaleCore/Folders.hpp"

#include "Support/TemporaryHome.hpp"

#include <gtest/gtest.h>

namespace corvale {
namespace {

TEST(Folders, FollowTheXDGVariablesElseTheHome) {
    test::TemporaryHome home;
    EXPECT_EQ(Folders::home(), home.path());
    EXPECT_EQ(Folders::applicationSupport(), home.data());
    EXPECT_EQ(Folders::caches(), home.cache());
    EXPECT_EQ(Folders::configuration(), home.config());
    // One folder whatever the identifier.
    EXPECT_EQ(Folders::userDefaults("../x"), home.config() / ".._x");
    EXPECT_EQ(Folders::userDefaults(".."), home.config() / "_");

    home.environment().set("XDG_DATA_HOME", "/elsewhere/data");
    home.environment().set("XDG_CACHE_HOME", "/elsewhere/cache");
    home.environment().set("XDG_CONFIG_HOME", "/elsewhere/config");
    EXPECT_EQ(Folders::applicationSupport(), "/elsewhere/data");
    EXPECT_EQ(Folders::caches(), "/elsewhere/cache");
    EXPECT_EQ(Folders::userDefaults("org.example.tool"), "/elsewhere/config/org.example.tool");
    EXPECT_EQ(Folders::autostart(), "/elsewhere/config/autostart");

    // Unset, empty or relative: the home's folders.
    home.environment().unset("XDG_DATA_HOME");
    home.environment().set("XDG_CACHE_HOME", "");
    home.environment().set("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(Folders::applicationSupport(), home.path() / ".local" / "share");
    EXPECT_EQ(Folders::caches(), home.path() / ".cache");
    EXPECT_EQ(Folders::configuration(), home.path() / ".config");
    EXPECT_EQ(Folders::autostart(), home.path() / ".config" / "autostart");
    EXPECT_EQ(Folders::diagnosticReports(), home.path() / "Library" / "Logs" / "DiagnosticReports");

    // Without HOME the account's home is used.
    home.environment().unset("HOME");
    std::filesystem::path found = Folders::home();
    EXPECT_TRUE(found.is_absolute());
    EXPECT_NE(found, home.path());
}

} // namespace
} // namespace corvale
