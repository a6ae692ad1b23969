#include "App/AppProcess.hpp"

#include "CorvaleCore/Json.hpp"
#include "SkiroEngine/Identity.hpp"

#include "Support/TemporaryHome.hpp"

#include <gtest/gtest.h>

#include <filesystem>

namespace skiro::test {
namespace {

// Installed into a prefix of its own, its desktop entry registered in the home's data folder as
// the handler of skiro links: a link opened as a desktop opens one (Debian's xdg-open) reaches
// the installed application while it runs.
TEST_F(AppTest, XdgOpenHandsALinkThroughTheInstalledEntryToTheRunningApp) {
#if defined(__APPLE__)
    GTEST_SKIP() << "A Mac hands links to the bundle through Launch Services, not xdg-open.";
#endif
    corvale::test::TemporaryFolder prefix("prefix");
    Finished installed =
        Child({SKIRO_CMAKE, "--install", SKIRO_BUILD_DIR, "--prefix", prefix.path().string()}, {})
            .wait(120s);
    ASSERT_EQ(installed.status, 0) << installed.err;
    const std::string entry = appIdentity().bundleID + ".desktop";
    std::filesystem::create_directories(home.data() / "applications");
    std::filesystem::copy_file(prefix.path() / "share" / "applications" / entry,
                               home.data() / "applications" / entry);
    // A desktop of no particular kind, which leaves the choice of handler to the entries; none
    // but the home's.
    const Child::Options desktop{
        .environment = {{"XDG_CURRENT_DESKTOP", "X-Generic"},
                        {"DISPLAY", ":0"},
                        {"XDG_DATA_DIRS", (home.path() / "system").string()},
                        {"BROWSER", std::nullopt}}};
    Finished registered =
        Child({SKIRO_XDG_MIME, "default", entry, "x-scheme-handler/skiro"}, desktop).wait();
    ASSERT_EQ(registered.status, 0) << registered.err;

    App& app = launch({}, prefix.path() / "bin" / "skiro");
    Finished opened = Child({SKIRO_XDG_OPEN, "skiro://pause"}, desktop).wait();
    EXPECT_EQ(opened.status, 0) << opened.err;
    Finished state = app.run({"state"});
    ASSERT_EQ(state.status, 0) << state.err;
    EXPECT_EQ(corvale::json::parse(state.out)["state"], "paused");
}

} // namespace
} // namespace skiro::test
