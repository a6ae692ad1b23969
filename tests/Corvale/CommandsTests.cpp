// The registry: order and replacement, the usage text's exact layout, running a command for a
// caller, the framework's own commands, how the client resolves paths, and links.
#include "Corvale/CommandLinks.hpp"
#include "Corvale/Commands.hpp"
#include "Corvale/CrashNote.hpp"
#include "Corvale/SettingsCommands.hpp"
#include "Corvale/WhatsNew.hpp"
#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/Bundle.hpp"
#include "CorvaleCore/Error.hpp"
#include "CorvaleCore/Files.hpp"
#include "CorvaleCore/Log.hpp"

#include "Corvale/CommandTesting.hpp"
#include "Support/Framework.hpp"
#include "Support/SampleSettings.hpp"
#include "Support/TemporaryHome.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <fstream>
#include <memory>
#include <thread>

namespace corvale {
namespace {

using namespace std::chrono_literals;
using Commands::Arguments;
using Commands::Caller;
using Commands::Command;
using Commands::Link;
using Commands::Reply;
using Commands::ReplyCallback;
using test::eventually;

std::vector<std::string> names() {
    std::vector<std::string> found;
    for (const Command& command : Commands::all()) {
        found.push_back(command.name);
    }
    return found;
}

Command row(std::string name, std::string arguments, std::string summary, bool link,
            bool listed = true) {
    return Command{.name = std::move(name),
                   .arguments = std::move(arguments),
                   .summary = std::move(summary),
                   .fromLinks = link,
                   .listed = listed,
                   .run = [](const Arguments&, ReplyCallback reply) { reply(Reply::ok("")); }};
}

// Runs a command as the server would and answers its first reply, waiting on the main loop.
std::optional<Reply> runNow(std::string_view name, Arguments arguments = {},
                            Caller caller = Caller()) {
    auto answer = std::make_shared<std::optional<Reply>>();
    Commands::run(name, std::move(arguments), std::move(caller),
                  [answer](Reply reply) { *answer = std::move(reply); });
    eventually([&] { return answer->has_value(); });
    return *answer;
}

class CommandsTest : public ::testing::Test {
protected:
    // Links only ever log, as errors of the lifecycle category.
    static std::vector<std::string> linkErrors() {
        std::vector<std::string> found;
        for (const LogEntry& entry : LogStore::shared().entries({}, Log::subsystem())) {
            EXPECT_EQ(entry.level, LogLevel::error);
            EXPECT_EQ(entry.category, "lifecycle");
            found.push_back(entry.message);
        }
        return found;
    }

    test::TemporaryHome home;
    test::ScopedIdentity identity{{"Tool", "org.example.tool", "owner/Tool"}};
    test::ScopedLog log;
    test::ScopedCommands commands;
};

TEST_F(CommandsTest, RegistryKeepsRegistrationOrderAndASameNameReplacesInPlace) {
    const std::vector<std::string> builtIn{"state",  "log",       "diagnostics",
                                           "update", "whats-new", "crash-note"};
    EXPECT_EQ(names(), builtIn);
    Commands::add(row("pause", "", "Stop", true));
    Commands::add(row("Log", "[minutes]", "Mine", false));
    EXPECT_EQ(names(), (std::vector<std::string>{"state", "Log", "diagnostics", "update",
                                                 "whats-new", "crash-note", "pause"}));
    EXPECT_EQ(Commands::all()[1].summary, "Mine");

    EXPECT_EQ(Commands::command("LOG")->name, "Log");
    EXPECT_EQ(Commands::command("Pause")->name, "pause");
    EXPECT_FALSE(Commands::command("paus"));
    EXPECT_FALSE(Commands::command("pause "));
    EXPECT_EQ(runNow("Nope"), Reply::failure("There's no command 'Nope'. Try: tool help"));
}

TEST_F(CommandsTest, UsageColumnIsTheLongestListedLabelAtLeastSixteenPlusTwo) {
    // Sixteen characters still fit the narrowest column, 18 wide; an unlisted label never widens
    // it, nor does an unlisted link take the closing line.
    Commands::add(row("sixteen", "<123456>", "A", false));
    Commands::add(row("hidden", "<a very long argument list>", "B", true, false));
    // The framework's own rows come first (their full text: the end-to-end usage test).
    EXPECT_TRUE(Commands::help().ends_with(
        "  crash-note        Show the note about the last crash or hang (also a link)\n"
        "  sixteen <123456>  A\n"
        "\n"
        "Links work from anywhere that opens one: open tool://crash-note"))
        << Commands::help();

    // Seventeen widen it by one; characters count, not bytes; the closing line names the last
    // listed link.
    Commands::add(row("über", "<xy> <zzzzz>", "C", true));
    Commands::add(row("open", "", "D", true));
    Commands::add(row("later", "", "E", false));
    EXPECT_TRUE(Commands::help().ends_with(
        "  crash-note         Show the note about the last crash or hang (also a link)\n"
        "  sixteen <123456>   A\n"
        "  über <xy> <zzzzz>  C (also a link)\n"
        "  open               D (also a link)\n"
        "  later              E\n"
        "\n"
        "Links work from anywhere that opens one: open tool://open"))
        << Commands::help();
}

TEST_F(CommandsTest, OnlyTheFirstReplyIsForwardedFromWhicheverThreadAndTheCallbackIsLetGo) {
    ReplyCallback kept;
    Commands::add({.name = "twice", .run = [&](const Arguments&, ReplyCallback reply) {
                       reply(Reply::ok("one"));
                       reply(Reply::failure("two"));
                       kept = reply;
                   }});
    auto token = std::make_shared<int>(0);
    std::vector<Reply> replies;
    Commands::run("TWICE", {}, Caller(),
                  [&replies, token](Reply reply) { replies.push_back(std::move(reply)); });
    EXPECT_EQ(replies, (std::vector<Reply>{Reply::ok("one")}));
    // The command still holds its callback, but what `done` held is already free.
    EXPECT_EQ(token.use_count(), 1);
    kept(Reply::ok("three"));
    EXPECT_EQ(replies.size(), 1u);

    std::vector<std::thread> threads;
    Commands::add({.name = "racing", .run = [&](const Arguments&, ReplyCallback reply) {
                       for (int i = 0; i < 4; ++i) {
                           threads.emplace_back([reply] { reply(Reply::ok("late")); });
                       }
                   }});
    std::atomic<int> answers{0};
    Commands::run("racing", {}, Caller(), [&](Reply) { ++answers; });
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(answers, 1);
}

TEST_F(CommandsTest, TheCallerIsSetForTheRunAndPutBackAfter) {
    std::optional<Caller> seen;
    Commands::add({.name = "who", .run = [&](const Arguments& arguments, ReplyCallback reply) {
                       seen = Commands::caller();
                       reply(Reply::ok(arguments.empty() ? "" : arguments[0]));
                   }});
    Caller client{.isLink = false, .folder = "/home/someone/work"};
    EXPECT_EQ(runNow("who", {"x"}, client), Reply::ok("x"));
    EXPECT_EQ(seen, client);
    EXPECT_EQ(Commands::caller(), Caller());

    // Also when the command throws, which its client hears as a failure.
    struct Broken : Error {
        std::string description() const override { return "The thing broke."; }
    };
    Commands::add({.name = "broken", .run = [&](const Arguments&, ReplyCallback) {
                       seen = Commands::caller();
                       throw Broken();
                   }});
    Caller link{.isLink = true, .folder = std::nullopt};
    EXPECT_EQ(runNow("broken", {}, link), Reply::failure("The thing broke."));
    EXPECT_EQ(seen, link);
    EXPECT_EQ(Commands::caller(), Caller());
}

TEST_F(CommandsTest, StateIsTheApplicationsDocumentWithAppAndVersionSorted) {
    std::string version = AppIdentity::current().version();
    EXPECT_EQ(runNow("state"),
              Reply::ok("{\n  \"app\": \"Tool\",\n  \"version\": \"" + version + "\"\n}"));
    Commands::setState([] { return json::Json{{"zebra", {{"b", true}}}, {"app", "someone"}}; });
    EXPECT_EQ(runNow("state"), Reply::ok("{\n  \"app\": \"Tool\",\n  \"version\": \"" + version +
                                         "\",\n  \"zebra\": {\n    \"b\": true\n  }\n}"));
}

TEST_F(CommandsTest, StateWithSomethingThatIsNotJSONSaysSoInsteadOfPrintingPart) {
    const Reply notJSON = Reply::failure("The state has something in it that isn't JSON.");
    for (json::Json document : {json::Json{{"deep", {{"ratio", std::nan("")}}}},
                                json::Json{{"name", "bad \xff byte"}}, json::Json::array({1, 2})}) {
        Commands::setState([document] { return document; });
        EXPECT_EQ(runNow("state"), notJSON)
            << document.dump(-1, ' ', false, json::Json::error_handler_t::replace);
    }
}

TEST_F(CommandsTest, LogWritesTheRecentLogToAFileAndAnswersItOrSaysItCouldNot) {
    // What it prints: RecentLogTest and the end-to-end tests, which read the log through it.
    // Here: the caches folder is a file, so nothing can be written under it.
    std::filesystem::remove_all(home.cache());
    std::ofstream(home.cache()) << "in the way";
    EXPECT_EQ(runNow("log"), Reply::failure("Couldn't write the log."));
}

TEST_F(CommandsTest, UpdateNeedsABuildThatUpdatesAndTheNotesShowTheLatest) {
    std::vector<std::string> shown;
    json::Json info = *Bundle::compiled().info();
    info.erase(std::string(Bundle::updateKeyKey));
    test::ScopedBundle withoutUpdates{Bundle(info)};
    EXPECT_EQ(runNow("update"), Reply::failure("This build doesn't check for updates."));

    WhatsNew::configure(
        {{"2.0", {}}, {"1.0", {}}}, std::nullopt, [] { return true; },
        [&](const auto& releases) { shown.push_back(releases.back().version); });
    CrashNote::configure({},
                         [&](const CrashNote::Model& model) { shown.push_back(model.summary); });
    EXPECT_EQ(runNow("whats-new"), Reply::ok(""));
    EXPECT_EQ(runNow("crash-note"), Reply::ok(""));
    EXPECT_TRUE(eventually([&] { return shown.size() == 2; }));
    EXPECT_EQ(shown,
              (std::vector<std::string>{"2.0", "No crash or hang reports for Tool on this Mac."}));
    WhatsNew::configure({}, std::nullopt, {}, {});
    CrashNote::reset();
}

TEST_F(CommandsTest, FullPathsExpandTildesAndResolveAgainstTheCallersFolder) {
    std::string user = home.path().string();
    EXPECT_EQ(Commands::fullPath("~/s.json", std::nullopt), user + "/s.json");
    EXPECT_EQ(Commands::fullPath("./a/../b/./c.json", "/work/here/"), "/work/here/b/c.json");
    EXPECT_EQ(Commands::fullPath("/etc/../tmp/x/", "/work/here"), "/tmp/x");
    EXPECT_EQ(Commands::fullPath("~/../other", "/work"),
              home.path().parent_path().string() + "/other");
    // A tilde inside a name is just a character.
    EXPECT_EQ(Commands::fullPath("a~b", "/w"), "/w/a~b");
    EXPECT_EQ(Commands::fullPath("~nobody-by-this-name/x", "/w"), "/w/~nobody-by-this-name/x");

    // Without a folder: the caller's, else this process's working directory.
    EXPECT_EQ(Commands::fullPath("x"), (std::filesystem::current_path() / "x").string());
    std::string during;
    Commands::add({.name = "where", .run = [&](const Arguments&, ReplyCallback reply) {
                       during = Commands::fullPath("x");
                       reply(Reply::ok(""));
                   }});
    runNow("where", {}, Caller{.isLink = false, .folder = "/clients/folder"});
    EXPECT_EQ(during, "/clients/folder/x");
}

TEST_F(CommandsTest, SettingsTransferAddsExportAndImport) {
    test::SampleSettings settings;
    Commands::addSettingsTransfer(SettingsTransfer<test::SampleSettings>{
        [&] { return settings; }, [&](test::SampleSettings imported) { settings = imported; },
        "the settings"});
    EXPECT_EQ(names(), (std::vector<std::string>{"state", "log", "diagnostics", "update",
                                                 "whats-new", "crash-note", "export", "import"}));
    EXPECT_TRUE(Commands::command("import")->fileArgument);

    // Saving, printing, importing and refusing go through the real client in ApplicationTest
    // ExportsAndImportsTheSettings; a caches folder that cannot be written does not.
    std::filesystem::remove_all(home.cache());
    std::ofstream(home.cache()) << "in the way";
    EXPECT_EQ(runNow("export"),
              Reply::failure("The file “Tool” couldn't be saved: Not a directory."));
}

TEST_F(CommandsTest, LinkHostPathAndQueryMakeTheNameAndArguments) {
    EXPECT_EQ(Commands::parse("tool://set/mouse/vertical/natural"),
              (Link{"set", {"mouse", "vertical", "natural"}}));
    EXPECT_EQ(Commands::parse("tool://pause"), (Link{"pause", {}}));
    // Without a host the path alone names the command.
    EXPECT_EQ(Commands::parse("tool:///pause/now"), (Link{"pause", {"now"}}));
    // Empty parts are dropped; only the name is lowered; escapes are decoded.
    EXPECT_EQ(Commands::parse("tool://Settings//About/"), (Link{"settings", {"About"}}));
    EXPECT_EQ(Commands::parse("tool://say/hello%20there/%2F"), (Link{"say", {"hello there", "/"}}));
    // A fragment is not part of the command; query items become dashed arguments, and a query
    // that does not decode counts as none.
    EXPECT_EQ(Commands::parse("tool://pause#later"), (Link{"pause", {}}));
    EXPECT_EQ(Commands::parse("tool://export/x?to=a%20b&empty=&b"),
              (Link{"export", {"x", "--to", "a b", "--empty", "", "--b"}}));
    EXPECT_EQ(Commands::parse("tool://export/x?a=%G1&b=2"), (Link{"export", {"x"}}));
}

TEST_F(CommandsTest, LinkTheSchemeIsTheApplicationsNameInAnyCase) {
    EXPECT_EQ(Commands::parse("TOOL://pause"), (Link{"pause", {}}));
    EXPECT_FALSE(Commands::parse("https://tool/pause"));
    // Neither host nor path ("other://" and "tool://" are opened in LinkOpening...).
    EXPECT_FALSE(Commands::parse("tool://?a=1"));
    // Escapes that are not escapes make no link.
    EXPECT_FALSE(Commands::parse("tool://pause/%zz"));
}

TEST_F(CommandsTest, LinkOpeningRunsLinkCommandsInOrderAndOnlyLogsProblems) {
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
    EXPECT_EQ(linkErrors(), (std::vector<std::string>{
                                "link set: 'Set' only works from the command line, not as a link.",
                                "link frobnicate: There's no command 'frobnicate'. Try: tool help",
                                "link pause: Pause takes nothing.",
                                "link pause: Pause takes nothing.",
                            }));
    EXPECT_EQ(Commands::caller(), Caller());
}

TEST_F(CommandsTest, LinkAFailureThatComesLaterFromAnotherThreadIsStillLogged) {
    std::thread worker;
    Commands::add(
        {.name = "update", .fromLinks = true, .run = [&](const Arguments&, ReplyCallback reply) {
             worker = std::thread([reply] { reply(Reply::failure("No network.")); });
         }});
    Commands::open({"tool://update"});
    worker.join();
    EXPECT_EQ(linkErrors(), (std::vector<std::string>{"link update: No network."}));
}

} // namespace
} // namespace corvale
