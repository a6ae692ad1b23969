#include "Corvale/UI/QtApplication.hpp"

#include "Corvale/Commands.hpp"
#include "Corvale/UI/EventLoopExecutor.hpp"
#include "CorvaleCore/Dispatch.hpp"
#include "Support/Framework.hpp"
#include "Support/QtLoop.hpp"

#include <QCoreApplication>
#include <QFileOpenEvent>
#include <QUrl>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace corvale {
namespace {

struct OffscreenCase {
    WindowSystem system;
    std::map<std::string, std::string> environment;
    bool offscreen;
};

class Offscreen : public ::testing::TestWithParam<OffscreenCase> {};

TEST_P(Offscreen, OnlyWhereADisplayServerIsTheRuleAndNoneIsNamed) {
    const OffscreenCase& given = GetParam();
    const EnvironmentLookup lookup = [&](const char* name) -> const char* {
        auto found = given.environment.find(name);
        return found == given.environment.end() ? nullptr : found->second.c_str();
    };
    EXPECT_EQ(wantsOffscreen(given.system, lookup), given.offscreen);
}

INSTANTIATE_TEST_SUITE_P(
    Systems, Offscreen,
    ::testing::Values(
        OffscreenCase{WindowSystem::displayServer, {}, true},
        OffscreenCase{WindowSystem::displayServer, {{"DISPLAY", ""}}, true},
        OffscreenCase{WindowSystem::displayServer, {{"DISPLAY", ":0"}}, false},
        OffscreenCase{WindowSystem::displayServer, {{"WAYLAND_DISPLAY", "wayland-0"}}, false},
        OffscreenCase{WindowSystem::displayServer, {{"QT_QPA_PLATFORM", "xcb"}}, false},
        // A Mac's environment names no display, and the window server is there.
        OffscreenCase{WindowSystem::apple, {}, false},
        OffscreenCase{WindowSystem::apple, {{"HOME", "/Users/a"}}, false}));

TEST(LinkEvents, AFileOpenEventRunsItsLinkOnTheMainQueueAndOtherEventsPassOn) {
    test::ScopedIdentity identity(
        {.name = "Skiro", .bundleID = "dev.skiro.Skiro", .repository = ""});
    Commands::reset();
    std::vector<Commands::Arguments> paused;
    Commands::add({.name = "pause",
                   .fromLinks = true,
                   .run = [&](const Commands::Arguments& arguments, Commands::ReplyCallback reply) {
                       paused.push_back(arguments);
                       reply(Commands::Reply::ok(""));
                   }});
    int argc = 1;
    char name[] = "tests";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    setMainExecutor(std::make_shared<EventLoopExecutor>());
    LinkEvents links;
    application.installEventFilter(&links);

    QFileOpenEvent opened(QUrl("skiro://pause?for=10"));
    EXPECT_TRUE(QCoreApplication::sendEvent(&application, &opened));
    // Run later, behind whatever the main queue already holds.
    EXPECT_TRUE(paused.empty());
    EXPECT_TRUE(test::eventually([&] { return !paused.empty(); }));
    EXPECT_EQ(paused, (std::vector<Commands::Arguments>{{"--for", "10"}}));

    QEvent other(QEvent::User);
    QCoreApplication::sendEvent(&application, &other);
    // Whatever the filter queued runs before this.
    bool drained = false;
    DispatchQueue::main().async([&] { drained = true; });
    EXPECT_TRUE(test::eventually([&] { return drained; }));
    EXPECT_EQ(paused.size(), 1u);

    setMainExecutor(nullptr);
    Commands::reset();
}

} // namespace
} // namespace corvale
