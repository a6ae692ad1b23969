// The registry: order and replacement, the usage text's exact layout, running a command for a
// caller, the framework's own commands, and how the client resolves paths.
#include "Corvale/Commands.hpp"
#include "Corvale/RecentLog.hpp"
#include "Corvale/SettingsCommands.hpp"
#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/Error.hpp"
#include "CorvaleCore/Files.hpp"

#include "Corvale/CommandTesting.hpp"
#include "Support/Framework.hpp"
#include "Support/SampleSettings.hpp"
#include "Support/TemporaryHome.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <memory>
#include <thread>

namespace corvale {
namespace {

using namespace std::chrono_literals;
using Commands::Arguments;
using Commands::Caller;
using Commands::Command;
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
    test::TemporaryHome home;
    test::ScopedIdentity identity{{"Tool", "org.example.tool", "owner/Tool"}};
    test::ScopedLog log;
    test::ScopedCommands commands;
};

TEST_F(CommandsTest, RegistryStartsWithTheFrameworksCommandsAndKeepsRegistrationOrder) {
    EXPECT_EQ(names(), (std::vector<std::string>{"state", "log", "diagnostics"}));
    Commands::add(row("pause", "", "Stop", true));
    Commands::add(row("resume", "", "Go", true));
    EXPECT_EQ(names(),
              (std::vector<std::string>{"state", "log", "diagnostics", "pause", "resume"}));
    EXPECT_EQ(Commands::all()[1].timeout, 15);
    EXPECT_EQ(Commands::all()[2].timeout, 15);
    EXPECT_FALSE(Commands::all()[0].launches);
}

TEST_F(CommandsTest, SameNameIgnoringCaseReplacesInPlace) {
    Commands::add(row("pause", "", "Stop", true));
    Commands::add(row("Log", "[minutes]", "Mine", false));
    EXPECT_EQ(names(), (std::vector<std::string>{"state", "Log", "diagnostics", "pause"}));
    EXPECT_EQ(Commands::all()[1].summary, "Mine");

    ASSERT_TRUE(Commands::command("LOG"));
    EXPECT_EQ(Commands::command("LOG")->name, "Log");
    EXPECT_EQ(Commands::command("Pause")->name, "pause");
    EXPECT_FALSE(Commands::command("paus"));
    EXPECT_FALSE(Commands::command("pause "));
    EXPECT_FALSE(Commands::command(""));
}

TEST_F(CommandsTest, UsageTextOfTheWholeCommandTableIsExact) {
    // The rows a full application registers, in its order, behind the framework's own.
    for (Command command : {
             row("update", "", "Check for updates", true),
             row("whats-new", "", "Show what's new in this version", true),
             row("crash-note", "", "Show the note about the last crash or hang", true),
             row("pause", "", "Scrolling follows System Settings until you resume", true),
             row("resume", "", "Scrolling goes your way again", true),
             row("settings", "[pane]", "Open Settings, at a pane: general, scrolling, about", true),
             row("welcome", "", "Open the welcome, with its scroll test", false),
             row("set", "<device> <axis> <way>",
                 "Which way a device scrolls: trackpad or mouse, vertical, horizontal or both, "
                 "natural or standard. `set all system` follows System Settings again",
                 false),
             row("export", "[file]", "Save the settings to a file, or print them", false),
             row("import", "<file>", "Replace the settings with the ones in a file", false),
             row("record", "[seconds]",
                 "Record what the taps see for 1 to 120 seconds (10 unless you say), and print "
                 "where the file is",
                 false),
             row("probe", "",
                 "Which taps macOS allows, and how the scroll fields behave when written", false),
             row("snapshot", "",
                 "Draw the welcome and the menu bar icon to PNGs, without Screen Recording", false),
             row("test-axis", "<vertical|horizontal>", "", false, false),
             row("close-windows", "", "", false, false),
             row("test-stall", "<milliseconds> <count>", "", false, false),
         }) {
        Commands::add(std::move(command));
    }
    EXPECT_EQ(
        Commands::help(),
        "Usage: tool <command>\n"
        "\n"
        "Commands:\n"
        "  state                      Print the app's state as JSON\n"
        "  log                        Print the last 10 minutes of the log\n"
        "  diagnostics                Print the report for a bug report\n"
        "  update                     Check for updates (also a link)\n"
        "  whats-new                  Show what's new in this version (also a link)\n"
        "  crash-note                 Show the note about the last crash or hang (also a link)\n"
        "  pause                      Scrolling follows System Settings until you resume (also a "
        "link)\n"
        "  resume                     Scrolling goes your way again (also a link)\n"
        "  settings [pane]            Open Settings, at a pane: general, scrolling, about (also a "
        "link)\n"
        "  welcome                    Open the welcome, with its scroll test\n"
        "  set <device> <axis> <way>  Which way a device scrolls: trackpad or mouse, vertical, "
        "horizontal or both, natural or standard. `set all system` follows System Settings "
        "again\n"
        "  export [file]              Save the settings to a file, or print them\n"
        "  import <file>              Replace the settings with the ones in a file\n"
        "  record [seconds]           Record what the taps see for 1 to 120 seconds (10 unless "
        "you say), and print where the file is\n"
        "  probe                      Which taps macOS allows, and how the scroll fields behave "
        "when written\n"
        "  snapshot                   Draw the welcome and the menu bar icon to PNGs, without "
        "Screen Recording\n"
        "\n"
        "Links work from anywhere that opens one: open tool://settings");
}

TEST_F(CommandsTest, UsageColumnIsTheLongestListedLabelAtLeastSixteenPlusTwo) {
    // Short labels: the column is 18 wide, and without links there is no closing line.
    EXPECT_EQ(Commands::help(), "Usage: tool <command>\n"
                                "\n"
                                "Commands:\n"
                                "  state             Print the app's state as JSON\n"
                                "  log               Print the last 10 minutes of the log\n"
                                "  diagnostics       Print the report for a bug report");

    // Sixteen characters still fit the narrowest column; an unlisted label never widens it.
    Commands::reset();
    Commands::add(row("sixteen", "<123456>", "A", false));
    Commands::add(row("hidden", "<a very long argument list>", "B", true, false));
    EXPECT_EQ(Commands::help(), "Usage: tool <command>\n"
                                "\n"
                                "Commands:\n"
                                "  state             Print the app's state as JSON\n"
                                "  log               Print the last 10 minutes of the log\n"
                                "  diagnostics       Print the report for a bug report\n"
                                "  sixteen <123456>  A");

    // Seventeen widen it by one; characters count, not bytes; the closing line names the last
    // listed link.
    Commands::add(row("über", "<xy> <zzzzz>", "C", true));
    Commands::add(row("open", "", "D", true));
    Commands::add(row("later", "", "E", false));
    EXPECT_EQ(Commands::help(), "Usage: tool <command>\n"
                                "\n"
                                "Commands:\n"
                                "  state              Print the app's state as JSON\n"
                                "  log                Print the last 10 minutes of the log\n"
                                "  diagnostics        Print the report for a bug report\n"
                                "  sixteen <123456>   A\n"
                                "  über <xy> <zzzzz>  C (also a link)\n"
                                "  open               D (also a link)\n"
                                "  later              E\n"
                                "\n"
                                "Links work from anywhere that opens one: open tool://open");
}

TEST_F(CommandsTest, RunningANameThatMatchesNothingAnswersAFailure) {
    EXPECT_EQ(runNow("Nope"), Reply::failure("There's no command 'Nope'. Try: tool help"));
}

TEST_F(CommandsTest, OnlyTheFirstReplyIsForwardedAndTheCallbackIsLetGo) {
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
}

TEST_F(CommandsTest, ALaterReplyFromAnotherThreadIsForwardedOnce) {
    std::vector<std::thread> threads;
    Commands::add({.name = "slow", .run = [&](const Arguments&, ReplyCallback reply) {
                       for (int i = 0; i < 4; ++i) {
                           threads.emplace_back(
                               [reply, i] { reply(Reply::ok("thread " + std::to_string(i))); });
                       }
                   }});
    std::mutex mutex;
    std::vector<Reply> replies;
    Commands::run("slow", {}, Caller(), [&](Reply reply) {
        std::lock_guard lock(mutex);
        replies.push_back(std::move(reply));
    });
    for (auto& thread : threads) {
        thread.join();
    }
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].text.rfind("thread ", 0), 0u);
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
    EXPECT_EQ(Commands::caller().folder, std::nullopt);

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
    EXPECT_EQ(Commands::state(), json::Json::object());
    EXPECT_EQ(runNow("state"),
              Reply::ok("{\n  \"app\": \"Tool\",\n  \"version\": \"" + version + "\"\n}"));

    Commands::setState([] {
        return json::Json{
            {"zebra", 1}, {"app", "someone else"}, {"nested", {{"b", true}, {"a", nullptr}}}};
    });
    EXPECT_EQ(runNow("state"), Reply::ok("{\n"
                                         "  \"app\": \"Tool\",\n"
                                         "  \"nested\": {\n"
                                         "    \"a\": null,\n"
                                         "    \"b\": true\n"
                                         "  },\n"
                                         "  \"version\": \"" +
                                         version +
                                         "\",\n"
                                         "  \"zebra\": 1\n"
                                         "}"));
}

TEST_F(CommandsTest, StateWithSomethingThatIsNotJSONSaysSoInsteadOfPrintingPart) {
    const Reply notJSON = Reply::failure("The state has something in it that isn't JSON.");
    Commands::setState([] {
        return json::Json{{"fine", 1},
                          {"deep", {{"ratio", std::numeric_limits<double>::quiet_NaN()}}}};
    });
    EXPECT_EQ(runNow("state"), notJSON);
    Commands::setState([] { return json::Json{{"big", std::numeric_limits<double>::infinity()}}; });
    EXPECT_EQ(runNow("state"), notJSON);
    Commands::setState([] { return json::Json{{"name", "bad \xff byte"}}; });
    EXPECT_EQ(runNow("state"), notJSON);
    Commands::setState([] { return json::Json::array({1, 2}); });
    EXPECT_EQ(runNow("state"), notJSON);
}

TEST_F(CommandsTest, LogWritesTheRecentLogToAFileAndAnswersIt) {
    Log::lifecycle().error("something worth reading");
    std::optional<Reply> reply = runNow("log");
    ASSERT_TRUE(reply);
    ASSERT_EQ(reply->kind, Reply::Kind::file);
    EXPECT_EQ(reply->path(), RecentLog::location());
    std::optional<std::string> contents = readFile(reply->path());
    ASSERT_TRUE(contents);
    EXPECT_NE(contents->find("[lifecycle] something worth reading"), std::string::npos);
}

TEST_F(CommandsTest, LogThatCannotBeWrittenIsAFailure) {
    // The caches folder is a file, so nothing can be written under it.
    std::filesystem::create_directories(home.path());
    std::ofstream(home.cache()) << "in the way";
    EXPECT_EQ(runNow("log"), Reply::failure("Couldn't write the log."));
}

TEST_F(CommandsTest, FullPathsExpandTildesAndResolveAgainstTheCallersFolder) {
    std::string user = home.path().string();
    EXPECT_EQ(Commands::fullPath("~", std::nullopt), user);
    EXPECT_EQ(Commands::fullPath("~/s.json", std::nullopt), user + "/s.json");
    EXPECT_EQ(Commands::fullPath("s.json", "/work/here"), "/work/here/s.json");
    EXPECT_EQ(Commands::fullPath("./a/../b/./c.json", "/work/here/"), "/work/here/b/c.json");
    EXPECT_EQ(Commands::fullPath("../up.json", "/work/here"), "/work/up.json");
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
    EXPECT_EQ(names(),
              (std::vector<std::string>{"state", "log", "diagnostics", "export", "import"}));
    for (const char* name : {"export", "import"}) {
        std::optional<Command> command = Commands::command(name);
        EXPECT_TRUE(command->fileArgument);
        EXPECT_FALSE(command->fromLinks);
        EXPECT_FALSE(command->launches);
        EXPECT_EQ(command->timeout, 5);
    }
    EXPECT_NE(
        Commands::help().find("  export [file]     Save the settings to a file, or print them\n"
                              "  import <file>     Replace the settings with the ones in a file"),
        std::string::npos)
        << Commands::help();

    // To a file the client named, and back.
    settings.theme = "dark";
    std::string saved = (home.path() / "s.json").string();
    EXPECT_EQ(runNow("export", {saved}), Reply::ok("Saved the settings to " + saved));
    settings = test::SampleSettings();
    EXPECT_EQ(runNow("import", {saved}), Reply::ok("Imported the settings from " + saved));
    EXPECT_EQ(settings.theme, "dark");

    // A path that is not absolute is taken in the caller's folder.
    Caller client{.isLink = false, .folder = home.path().string()};
    EXPECT_EQ(runNow("export", {"./again.json"}, client),
              Reply::ok("Saved the settings to " + (home.path() / "again.json").string()));

    // Without a file it goes to the caches folder for the client to print.
    std::optional<Reply> printed = runNow("export");
    EXPECT_EQ(printed, Reply::file(home.cache() / "Tool" / "settings.json"));
    EXPECT_NE(readFile(printed->path()).value_or("").find("\"dark\""), std::string::npos);

    EXPECT_EQ(runNow("import"), Reply::failure("Say which file to import: tool import <file>"));
    std::ofstream(home.path() / "junk.json") << "[1, 2, 3]";
    EXPECT_EQ(runNow("import", {(home.path() / "junk.json").string()}),
              Reply::failure("This file doesn't have Tool settings in it."));
    EXPECT_EQ(settings.theme, "dark");
    std::optional<Reply> nowhere = runNow("export", {(home.path() / "no" / "s.json").string()});
    EXPECT_EQ(nowhere->kind, Reply::Kind::failure);
    EXPECT_FALSE(nowhere->text.empty());
    // Nor when the caches folder cannot be made.
    std::filesystem::remove_all(home.cache());
    std::ofstream(home.cache()) << "in the way";
    EXPECT_EQ(runNow("export"),
              Reply::failure("The file “Tool” couldn't be saved: Not a directory."));
}

} // namespace
} // namespace corvale
