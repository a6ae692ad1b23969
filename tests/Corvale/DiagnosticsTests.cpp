#include "Corvale/Commands.hpp"
#include "Corvale/Diagnostics.hpp"
#include "Corvale/Formats.hpp"
#include "Corvale/Pasteboard.hpp"
#include "Corvale/RecentLog.hpp"
#include "CorvaleCore/Bundle.hpp"
#include "CorvaleCore/Dispatch.hpp"
#include "CorvaleCore/Files.hpp"
#include "CorvaleCore/LastRun.hpp"
#include "CorvaleCore/Log.hpp"
#include "CorvaleCore/MainLoop.hpp"
#include "Platform/Simulated/SimulatedSystem.hpp"

#include "Corvale/CommandTesting.hpp"
#include "Support/Framework.hpp"
#include "Support/TemporaryHome.hpp"

#include <gtest/gtest.h>

#include <fstream>

namespace corvale {
namespace {

using namespace std::chrono;
using namespace std::chrono_literals;
using Diagnostics::Contribution;
using Diagnostics::Section;
using json::Json;

// 2026-03-02 09:05:03.250 UTC.
const system_clock::time_point morning = sys_days(year(2026) / March / 2) + 9h + 5min + 3s + 250ms;

const std::string head = "## Tool diagnostics\n\n"
                         "- Tool 2.4.1 (311)\n"
                         "- macOS 14.5 (Build 23F79) on Mac14,2, Apple silicon\n";

class DiagnosticsTest : public ::testing::Test {
protected:
    DiagnosticsTest() {
        home.environment().set("TZ", "UTC");
        home.environment().set("LC_ALL", "C");
        system.simulatedFacts().set("Version 14.5 (Build 23F79)", "Mac14,2", "Apple silicon");
        system.simulatedFacts().setSystemName("macOS");
        Diagnostics::useFacts(&system.facts());
        LastRun::reset();
        Pasteboard::setGeneral(pasteboard);
    }
    ~DiagnosticsTest() override {
        Diagnostics::reset();
        LastRun::reset();
        Pasteboard::setGeneral(nullptr);
    }

    // The whole text, as the main thread receives it.
    static std::string reportText() {
        std::optional<std::string> text;
        Diagnostics::report([&](std::string made) {
            EXPECT_TRUE(isMainThread());
            text = std::move(made);
        });
        EXPECT_TRUE(test::eventually([&] { return text.has_value(); }));
        return text.value_or("");
    }

    static void contribute(Contribution contribution) {
        Diagnostics::configure(
            [contribution](const Diagnostics::Gathered& gathered) { gathered(contribution); });
    }

    static std::string recentLog() {
        return "### Recent log\n```\n" + RecentLog::text(10) + "\n```";
    }

    test::TemporaryHome home;
    test::ScopedIdentity identity{{"Tool", "org.example.tool", "owner/Tool"}};
    std::optional<test::ScopedBundle> bundle{
        std::in_place,
        Bundle(Json{{"CFBundleShortVersionString", "2.4.1"}, {"CFBundleVersion", "311"}})};
    test::ManualClock clock{morning};
    test::ScopedLog log{clock};
    platform::simulated::SimulatedSystem system;
    std::shared_ptr<ProcessPasteboard> pasteboard = std::make_shared<ProcessPasteboard>();
};

TEST_F(DiagnosticsTest, TheDefaultGatherGivesTheFrameworkPartsAndTheRecentLogAlone) {
    Log::lifecycle().error("The socket went away.");
    std::string text = reportText();
    EXPECT_EQ(text, head + "- Accessibility settings: none\n\n" + recentLog());
    EXPECT_NE(text.find("09:05:03.250 [lifecycle] The socket went away."), std::string::npos)
        << text;
    EXPECT_EQ(text.find("### Recent hangs"), std::string::npos);
}

TEST_F(DiagnosticsTest, TheContributionAndTheMachineFillTheFirstLinesTheSetUpAndSectionsInOrder) {
    contribute({"paused",
                {"Natural scrolling: on", "Tap: none"},
                {Section("State", Diagnostics::json(Json{{"state", "paused"}}), "json"),
                 Section("Notes", "plain")}});
    std::string text = reportText();
    EXPECT_EQ(text, "## Tool diagnostics\n\n"
                    "- Tool 2.4.1 (311), paused\n"
                    "- macOS 14.5 (Build 23F79) on Mac14,2, Apple silicon\n"
                    "- Natural scrolling: on\n"
                    "- Tap: none\n"
                    "- Accessibility settings: none\n\n"
                    "### State\n```json\n{\n  \"state\": \"paused\"\n}\n```\n\n"
                    "### Notes\n```\nplain\n```\n\n" +
                        recentLog());

    // A build without a build number shows a question mark in its place.
    bundle.reset();
    bundle.emplace(Bundle(Json{{"CFBundleShortVersionString", "2.4.1"}}));
    EXPECT_EQ(Diagnostics::environment({}).front(), "Tool 2.4.1 (?)");

    // Display accommodations are named in their own order.
    system.simulatedFacts().setDisplayAccommodations(
        {.reduceMotion = true, .increaseContrast = true, .reduceTransparency = true});
    EXPECT_EQ(Diagnostics::environment({}).back(),
              "Accessibility settings: Reduce motion, Increase contrast, Reduce transparency");
    // Without a machine to ask, each fact is unknown rather than made up.
    Diagnostics::useFacts(nullptr);
    EXPECT_EQ(Diagnostics::environment({})[1], "? on ?, ?");
}

TEST_F(DiagnosticsTest, AGatherThatAnswersOnAnotherThreadStillFinishesOnTheMainThread) {
    int gathered = 0;
    Diagnostics::configure([&](Diagnostics::Gathered done) {
        ++gathered;
        DispatchQueue::global().async([done = std::move(done)] {
            done({"running", {}, {}});
            // A second answer is not a second report.
            done({"stopped", {}, {}});
        });
    });
    int completions = 0;
    std::string text;
    Diagnostics::report([&](std::string made) {
        EXPECT_TRUE(isMainThread());
        ++completions;
        text = std::move(made);
    });
    ASSERT_TRUE(test::eventually([&] { return completions > 0; }));
    EXPECT_EQ(gathered, 1);
    EXPECT_NE(text.find("- Tool 2.4.1 (311), running\n"), std::string::npos) << text;
    // Whatever the late answer does, it has had the time a report takes.
    std::string second = reportText();
    MainLoop::shared().drain();
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(second, text);
}

TEST_F(DiagnosticsTest, RecentHangsComeNewestFirstWithSixteenStackLinesEach) {
    LastRun::begin();
    std::vector<std::string> deep;
    for (int i = 0; i < 40; ++i) {
        deep.push_back("frame " + std::to_string(i));
    }
    LastRun::hangBegan(morning - 1h, deep);
    LastRun::hangEnded(3.26);
    LastRun::hangBegan(morning, {"Tool`spin + 4", "Tool`main + 12"});
    LastRun::hangEnded(12);

    std::string block = "\n### Recent hangs\n```\n"
                        "Mar 2, 2026 at 09:05:03, 12.0 s:\n"
                        "  Tool`spin + 4\n"
                        "  Tool`main + 12\n"
                        "\n"
                        "Mar 2, 2026 at 08:05:03, 3.3 s:\n";
    for (int i = 0; i < 16; ++i) {
        block += "  frame " + std::to_string(i) + "\n";
    }
    block += "```\n";
    EXPECT_EQ(Diagnostics::recentHangsText(), block);
    EXPECT_EQ(reportText(), head + "- Accessibility settings: none\n" + block + "\n" + recentLog());
}

TEST_F(DiagnosticsTest, TheWrittenFileHoldsExactlyWhatCopyingPuts) {
    Log::lifecycle().error("Something to read.");
    contribute({"running", {"One line"}, {Section("Settings", "{}", "json")}});

    bool copied = false;
    Diagnostics::copy([&] { copied = true; });
    ASSERT_TRUE(test::eventually([&] { return copied; }));
    EXPECT_EQ(pasteboard->clears(), 1) << "the pasteboard is cleared before the text goes on";
    std::optional<std::string> onPasteboard = pasteboard->string();
    ASSERT_TRUE(onPasteboard.has_value());

    // An earlier file is replaced.
    std::filesystem::path expected = home.cache() / "Tool" / "diagnostics.md";
    std::filesystem::create_directories(expected.parent_path());
    std::ofstream(expected) << "an older report that is much longer than nothing";

    std::optional<std::optional<std::filesystem::path>> written;
    Diagnostics::write([&](std::optional<std::filesystem::path> file) {
        EXPECT_TRUE(isMainThread());
        written = std::move(file);
    });
    ASSERT_TRUE(test::eventually([&] { return written.has_value(); }));
    ASSERT_TRUE(written->has_value());
    EXPECT_EQ(**written, expected);
    EXPECT_EQ(Diagnostics::location(), expected);
    EXPECT_EQ(readFile(expected), onPasteboard);
    EXPECT_NE(onPasteboard->find("Something to read."), std::string::npos);
}

TEST_F(DiagnosticsTest, TheDiagnosticsCommandAnswersWithTheFileOrSaysItCouldNotWriteIt) {
    test::ScopedCommands commands;
    auto run = [] {
        std::optional<Commands::Reply> reply;
        Commands::run("diagnostics", {}, {}, [&](Commands::Reply made) { reply = made; });
        EXPECT_TRUE(test::eventually([&] { return reply.has_value(); }));
        return reply.value_or(Commands::Reply::failure("no reply"));
    };
    // What it prints when it works: DiagnosticsEndToEnd. A file where the application's folder
    // should be: nothing can be written there.
    std::filesystem::create_directories(home.cache());
    std::ofstream(home.cache() / "Tool") << "in the way";
    EXPECT_EQ(run(), Commands::Reply::failure("Couldn't write the report."));
}

TEST(DiagnosticsJson, PrettyPrintsWithSortedKeysOrGivesAQuestionMark) {
    Json value = {{"b", 1}, {"a", {{"d", true}, {"c", "x"}}}};
    EXPECT_EQ(Diagnostics::json(value),
              "{\n  \"a\": {\n    \"c\": \"x\",\n    \"d\": true\n  },\n  \"b\": 1\n}");
    EXPECT_EQ(Diagnostics::json(Json{{"cost", {{"most", std::nan("")}}}}), "?");
    EXPECT_EQ(Diagnostics::json(Json{{"name", "\xff\xfe"}}), "?");
    EXPECT_EQ(Diagnostics::json(Json{{"caf\xc3\xa9", 1}}), "{\n  \"caf\xc3\xa9\": 1\n}");

    // A value with a JSON coding goes through it.
    LastRun::Hang hang{morning, 2.5, {"main"}};
    EXPECT_NE(Diagnostics::json(hang).find("\"seconds\": 2.5"), std::string::npos);
    hang.seconds = std::numeric_limits<double>::infinity();
    EXPECT_EQ(Diagnostics::json(hang), "?");
}

} // namespace
} // namespace corvale
