// Links of the application's scheme: how one is read, and how running them only ever logs.
#include "Corvale/Commands.hpp"
#include "Corvale/Termination.hpp"
#include "CorvaleCore/Dispatch.hpp"
#include "CorvaleCore/Log.hpp"

#include "Corvale/CommandTesting.hpp"
#include "Support/Framework.hpp"

#include <gtest/gtest.h>

#include <thread>

namespace corvale {
namespace {

using Commands::Arguments;
using Commands::Caller;
using Commands::Link;
using Commands::Reply;
using Commands::ReplyCallback;
using test::eventually;

class LinksTest : public ::testing::Test {
protected:
    std::vector<std::string> errors() const {
        std::vector<std::string> found;
        for (const LogEntry& entry : LogStore::shared().entries({}, Log::subsystem())) {
            EXPECT_EQ(entry.level, LogLevel::error);
            EXPECT_EQ(entry.category, "lifecycle");
            found.push_back(entry.message);
        }
        return found;
    }

    test::ScopedIdentity identity{{"Tool", "org.example.tool", "owner/Tool"}};
    test::ScopedLog log;
    test::ScopedCommands commands;
};

TEST_F(LinksTest, HostAndPathPartsMakeTheNameAndArguments) {
    EXPECT_EQ(Commands::parse("tool://set/mouse/vertical/natural"),
              (Link{"set", {"mouse", "vertical", "natural"}}));
    EXPECT_EQ(Commands::parse("tool://settings/about"), (Link{"settings", {"about"}}));
    EXPECT_EQ(Commands::parse("tool://pause"), (Link{"pause", {}}));
    EXPECT_EQ(Commands::parse("tool://pause/"), (Link{"pause", {}}));
    // Without a host the path alone names the command.
    EXPECT_EQ(Commands::parse("tool:///pause/now"), (Link{"pause", {"now"}}));
    EXPECT_EQ(Commands::parse("tool:pause"), (Link{"pause", {}}));
    // Empty parts are dropped; only the name is lowered; escapes are decoded.
    EXPECT_EQ(Commands::parse("tool://Settings//About/"), (Link{"settings", {"About"}}));
    EXPECT_EQ(Commands::parse("tool://say/hello%20there/%2F"), (Link{"say", {"hello there", "/"}}));
    // A fragment is not part of the command.
    EXPECT_EQ(Commands::parse("tool://pause#later"), (Link{"pause", {}}));
}

TEST_F(LinksTest, TheSchemeIsTheApplicationsNameInAnyCase) {
    EXPECT_EQ(Commands::parse("TOOL://pause"), (Link{"pause", {}}));
    EXPECT_EQ(Commands::parse("Tool://pause"), (Link{"pause", {}}));
    EXPECT_FALSE(Commands::parse("other://pause"));
    EXPECT_FALSE(Commands::parse("tools://pause"));
    EXPECT_FALSE(Commands::parse("https://tool/pause"));
    EXPECT_FALSE(Commands::parse("//pause"));
    EXPECT_FALSE(Commands::parse("pause"));
    EXPECT_FALSE(Commands::parse(":pause"));
    EXPECT_FALSE(Commands::parse(""));
    // Neither host nor path.
    EXPECT_FALSE(Commands::parse("tool://"));
    EXPECT_FALSE(Commands::parse("tool:"));
    EXPECT_FALSE(Commands::parse("tool:///"));
    EXPECT_FALSE(Commands::parse("tool://?a=1"));
    // Escapes that are not escapes make no link.
    EXPECT_FALSE(Commands::parse("tool://pa%2"));
    EXPECT_FALSE(Commands::parse("tool://pause/%zz"));
}

TEST_F(LinksTest, QueryItemsBecomeDashedArgumentsInOrder) {
    EXPECT_EQ(Commands::parse("tool://export?a=1&b"), (Link{"export", {"--a", "1", "--b"}}));
    EXPECT_EQ(Commands::parse("tool://export/x?to=a%20b&empty=&eq=c=d"),
              (Link{"export", {"x", "--to", "a b", "--empty", "", "--eq", "c=d"}}));
    // A query that does not decode counts as none.
    EXPECT_EQ(Commands::parse("tool://export/x?a=%G1&b=2"), (Link{"export", {"x"}}));
}

TEST_F(LinksTest, OpeningRunsLinkCommandsInOrderAndOnlyLogsProblems) {
    std::vector<std::pair<Arguments, Caller>> runs;
    Commands::add({.name = "pause",
                   .fromLinks = true,
                   .run = [&](const Arguments& arguments, ReplyCallback reply) {
                       runs.emplace_back(arguments, Commands::caller());
                       reply(arguments.empty() ? Reply::ok("Paused.")
                                               : Reply::failure("Pause takes nothing."));
                   }});
    Commands::add({.name = "Set", .run = [&](const Arguments& arguments, ReplyCallback reply) {
                       runs.emplace_back(arguments, Commands::caller());
                       reply(Reply::ok(""));
                   }});

    Commands::open({
        "tool://pause",
        "other://pause",
        "tool://set/mouse/vertical/natural",
        "tool://frobnicate/now",
        "tool://PAUSE/extra",
        "tool://",
        "tool://pause?quietly",
    });
    Caller link{.isLink = true, .folder = std::nullopt};
    EXPECT_EQ(runs, (std::vector<std::pair<Arguments, Caller>>{
                        {{}, link}, {{"extra"}, link}, {{"--quietly"}, link}}));
    EXPECT_EQ(errors(), (std::vector<std::string>{
                            "link set: 'Set' only works from the command line, not as a link.",
                            "link frobnicate: There's no command 'frobnicate'. Try: tool help",
                            "link pause: Pause takes nothing.",
                            "link pause: Pause takes nothing.",
                        }));
    EXPECT_EQ(Commands::caller(), Caller());
}

TEST_F(LinksTest, AFailureThatComesLaterFromAnotherThreadIsStillLogged) {
    std::thread worker;
    Commands::add(
        {.name = "update", .fromLinks = true, .run = [&](const Arguments&, ReplyCallback reply) {
             worker = std::thread([reply] { reply(Reply::failure("No network.")); });
         }});
    Commands::open({"tool://update"});
    worker.join();
    EXPECT_EQ(errors(), (std::vector<std::string>{"link update: No network."}));
}

TEST(Termination, ObserversRunOnTheMainThreadInOrderUntilRemoved) {
    Termination::reset();
    std::vector<int> order;
    Termination::Token second = 0;
    Termination::observe([&] {
        order.push_back(1);
        // Removing a later observer while they run: it is not called.
        Termination::remove(second);
    });
    second = Termination::observe([&] { order.push_back(2); });
    Termination::Token third = Termination::observe([&] {
        EXPECT_TRUE(isMainThread());
        order.push_back(3);
    });
    Termination::willTerminate();
    EXPECT_EQ(order, (std::vector<int>{1, 3}));

    // Posted from another thread, it waits for the main thread to run the observers.
    Termination::remove(third);
    std::atomic<bool> done{false};
    std::thread poster([&] {
        Termination::willTerminate();
        done = true;
    });
    EXPECT_TRUE(eventually([&] { return done.load(); }));
    poster.join();
    EXPECT_EQ(order, (std::vector<int>{1, 3, 1}));
    Termination::reset();
}

} // namespace
} // namespace corvale
