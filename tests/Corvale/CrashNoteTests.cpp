#include "Corvale/CrashNote.hpp"
#include "Corvale/Diagnostics.hpp"
#include "Corvale/Pasteboard.hpp"
#include "CorvaleCore/Bundle.hpp"
#include "CorvaleCore/CrashReport.hpp"
#include "CorvaleCore/Dispatch.hpp"
#include "CorvaleCore/Folders.hpp"
#include "CorvaleCore/LastRun.hpp"
#include "CorvaleCore/MainLoop.hpp"

#include "Support/Framework.hpp"
#include "Support/TemporaryHome.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

namespace corvale {
namespace {

using namespace std::chrono;
using namespace std::chrono_literals;
using CrashNote::Model;
using json::Json;

// 2026-03-02 09:05:03.250 UTC.
const system_clock::time_point morning = sys_days(year(2026) / March / 2) + 9h + 5min + 3s + 250ms;

Bundle version(const std::string& short_) {
    return Bundle(Json{{"CFBundleShortVersionString", short_}, {"CFBundleVersion", "7"}});
}

// The crash note's timers on a clock the test moves: each due timer is handed to its queue in
// turn and finished before the clock moves on. Timers are set by the test's thread or by a
// timer's work, which that thread waits for, so they need no lock.
class ManualTimers {
public:
    struct Fired {
        nanoseconds at;
        QualityOfService qos;
        bool main;
    };

    ManualTimers() {
        CrashNote::setTimer([this](nanoseconds delay, const DispatchQueue& queue, Work work) {
            pending.push_back({now_ + delay, queue, std::move(work)});
        });
    }
    ~ManualTimers() { CrashNote::setTimer({}); }

    void advanceTo(nanoseconds to) {
        auto earliest = [&] {
            return std::min_element(pending.begin(), pending.end(),
                                    [](const Timer& a, const Timer& b) { return a.at < b.at; });
        };
        for (auto due = earliest(); due != pending.end() && due->at <= to; due = earliest()) {
            Timer timer = std::move(*due);
            pending.erase(due);
            now_ = timer.at;
            fired.push_back({timer.at, timer.queue.qos(), timer.queue == DispatchQueue::main()});
            auto finished = std::make_shared<std::atomic<bool>>(false);
            timer.queue.async([work = std::move(timer.work), finished] {
                work();
                finished->store(true);
            });
            ASSERT_TRUE(MainLoop::shared().runUntil([&] { return finished->load(); }));
        }
        now_ = std::max(now_, to);
        // What the timers posted to the main thread.
        MainLoop::shared().drain();
    }

    std::vector<nanoseconds> firedAt() const {
        std::vector<nanoseconds> at;
        for (const Fired& each : fired) {
            at.push_back(each.at);
        }
        return at;
    }

    struct Timer {
        nanoseconds at;
        DispatchQueue queue;
        Work work;
    };
    std::vector<Timer> pending;
    std::vector<Fired> fired;

private:
    nanoseconds now_{0};
};

class CrashNoteTest : public ::testing::Test {
protected:
    CrashNoteTest() {
        home.environment().set("TZ", "UTC");
        home.environment().set("LC_ALL", "C");
        LastRun::reset();
        CrashNote::configure(
            {"things went back to normal", "nothing about your files", "its settings"},
            [this](const Model& model) {
                EXPECT_TRUE(isMainThread());
                presented.push_back(model);
            });
    }
    ~CrashNoteTest() override {
        CrashNote::reset();
        Diagnostics::reset();
        LastRun::reset();
        Pasteboard::setGeneral(nullptr);
    }

    // A new process of the given version: the last-run record of the one before stays.
    void relaunch(const std::string& running) {
        bundle.reset();
        bundle.emplace(version(running));
        LastRun::reset();
        LastRun::begin();
    }

    // A crash report of this application in the reports folder, modified at `modified`.
    static std::filesystem::path writeReport(const std::string& name, const std::string& symbol,
                                             system_clock::time_point modified) {
        Json head = {{"app_name", "Tool"},         {"app_version", "2.4.0"},
                     {"build_version", "6"},       {"bundleID", "org.example.tool"},
                     {"os_version", "macOS 14.5"}, {"timestamp", "2026-03-02 09:05:03.00 +0000"}};
        Json body = {
            {"exception", {{"type", "EXC_BAD_ACCESS"}, {"signal", "SIGSEGV"}}},
            {"usedImages", {{{"name", "Tool"}}}},
            {"threads",
             {{{"triggered", true},
               {"frames", {{{"imageIndex", 0}, {"symbol", symbol}, {"symbolLocation", 8}}}}}}}};
        std::filesystem::path folder = Folders::diagnosticReports();
        std::filesystem::create_directories(folder);
        std::filesystem::path path = folder / name;
        std::ofstream(path, std::ios::binary) << head.dump() << "\n" << body.dump(2);
        std::filesystem::last_write_time(path, file_clock::from_sys(modified));
        return path;
    }

    std::vector<Model> showLatest() {
        std::size_t before = presented.size();
        CrashNote::showLatest();
        EXPECT_TRUE(MainLoop::shared().runUntil([&] { return presented.size() > before; }));
        return presented;
    }

    test::TemporaryHome home;
    test::ScopedIdentity identity{{"Tool", "org.example.tool", "owner/Tool"}};
    std::optional<test::ScopedBundle> bundle{std::in_place, version("2.4.0")};
    ManualTimers timers;
    std::vector<Model> presented;
};

TEST_F(CrashNoteTest, AFirstRunOrACleanQuitShowsNothing) {
    LastRun::begin();
    CrashNote::showIfNeeded();
    EXPECT_EQ(timers.pending.size(), 0u);

    LastRun::end();
    relaunch("2.4.1");
    CrashNote::showIfNeeded();
    EXPECT_EQ(timers.pending.size(), 0u);
    timers.advanceTo(60s);
    EXPECT_TRUE(presented.empty());
}

TEST_F(CrashNoteTest, ARunKilledWhileHangingGetsAHangNoteFourSecondsAfterLaunch) {
    LastRun::begin();
    LastRun::hangBegan(morning, {"Tool`spin + 4", "Tool`main + 12"});
    // Killed while hanging; the next launch is an update.
    relaunch("2.4.1");
    CrashNote::showIfNeeded();

    timers.advanceTo(3999ms);
    EXPECT_TRUE(presented.empty());
    timers.advanceTo(4s);
    ASSERT_EQ(presented.size(), 1u);
    EXPECT_EQ(presented[0], (Model{Model::Kind::hang, "2.4.0",
                                   "Tool 2.4.0 stopped responding at Mar 2, 2026 at 09:05:03, "
                                   "until it was quit.\n"
                                   "\n"
                                   "Main thread:\n"
                                   "0   Tool`spin + 4\n"
                                   "1   Tool`main + 12"}));
    ASSERT_EQ(timers.fired.size(), 1u);
    EXPECT_TRUE(timers.fired[0].main);
    EXPECT_EQ(timers.pending.size(), 0u);
}

TEST_F(CrashNoteTest, ACrashReportWrittenFifteenSecondsAfterLaunchIsShownAtTheTwentySecondSearch) {
    LastRun::begin();
    relaunch("2.4.1"); // killed without a hang
    ASSERT_TRUE(LastRun::endedBadly());
    system_clock::time_point started = LastRun::previous()->started;
    CrashNote::showIfNeeded();

    timers.advanceTo(14s);
    EXPECT_TRUE(presented.empty());
    std::filesystem::path report =
        writeReport("Tool-2026-03-02-090503.ips", "Tool.crash()", started + 15s);
    timers.advanceTo(19s);
    EXPECT_TRUE(presented.empty());
    timers.advanceTo(20s);
    ASSERT_EQ(presented.size(), 1u);
    EXPECT_EQ(presented[0], (Model{Model::Kind::crash, "2.4.0", *CrashReport::summary(report)}));

    // Searched at 4, 10 and 20 seconds, off the main thread; no fourth search.
    EXPECT_EQ(timers.firedAt(), (std::vector<nanoseconds>{4s, 10s, 20s}));
    for (const ManualTimers::Fired& fired : timers.fired) {
        EXPECT_FALSE(fired.main);
        EXPECT_EQ(fired.qos, QualityOfService::utility);
    }
    EXPECT_EQ(timers.pending.size(), 0u);
}

TEST_F(CrashNoteTest, ACrashWithoutAReportBy35SecondsShowsNothingAndAnOlderReportDoesNotCount) {
    LastRun::begin();
    system_clock::time_point started = LastRun::current()->started;
    // Written before the run that crashed began: another crash.
    writeReport("Tool-old.ips", "Tool.old()", started - 2s);
    relaunch("2.4.0");
    CrashNote::showIfNeeded();
    timers.advanceTo(10min);
    EXPECT_TRUE(presented.empty());
    EXPECT_EQ(timers.firedAt(), (std::vector<nanoseconds>{4s, 10s, 20s, 35s}));
}

TEST_F(CrashNoteTest, ShowLatestPicksTheNewerOfTheLastReportAndTheLastHang) {
    bundle.reset();
    bundle.emplace(version("2.5"));
    system_clock::time_point now = system_clock::now();

    // Neither.
    std::vector<Model> shown = showLatest();
    EXPECT_EQ(shown.back(),
              (Model{Model::Kind::crash, "2.5", "No crash or hang reports for Tool on this Mac."}));

    // Only a report, however old.
    std::filesystem::path report = writeReport("Tool-yesterday.ips", "Tool.yesterday()", now - 24h);
    shown = showLatest();
    EXPECT_EQ(shown.back(), (Model{Model::Kind::crash, "2.5", *CrashReport::summary(report)}));

    // A hang from today is newer than yesterday's report.
    LastRun::begin();
    LastRun::hangBegan(now - 1h, {"Tool`wait"});
    LastRun::hangEnded(3.26);
    shown = showLatest();
    EXPECT_EQ(shown.back().kind, Model::Kind::hang);
    EXPECT_EQ(shown.back().version, "2.5");
    EXPECT_EQ(shown.back().summary, CrashNote::hangSummary(LastRun::recentHangs().front(), "2.5"));
    EXPECT_NE(shown.back().summary.find(", for 3.3 s.\n\nMain thread:\n0   Tool`wait"),
              std::string::npos)
        << shown.back().summary;

    // A report written after the hang began is the newer one.
    std::filesystem::path later = writeReport("Tool-today.ips", "Tool.today()", now - 30min);
    shown = showLatest();
    EXPECT_EQ(shown.back(), (Model{Model::Kind::crash, "2.5", *CrashReport::summary(later)}));
}

TEST_F(CrashNoteTest, TheReportPutsWhatHappenedAboveTheDiagnostics) {
    Diagnostics::configure([](const Diagnostics::Gathered& gathered) {
        gathered({"running", {}, {}});
    });
    Model model{Model::Kind::crash, "2.4.0", "Tool 2.4.0 crashed\n\nThread 0 crashed:"};

    std::optional<std::string> diagnostics;
    Diagnostics::report([&](std::string text) { diagnostics = std::move(text); });
    std::optional<std::string> report;
    CrashNote::report(model, [&](std::string text) {
        EXPECT_TRUE(isMainThread());
        report = std::move(text);
    });
    ASSERT_TRUE(MainLoop::shared().runUntil([&] { return report && diagnostics; }));
    EXPECT_EQ(*report, "## What happened\n\n```\nTool 2.4.0 crashed\n\nThread 0 crashed:\n```\n\n" +
                           *diagnostics);

    // "Copy Report" puts the same text on a cleared pasteboard.
    auto pasteboard = std::make_shared<ProcessPasteboard>();
    pasteboard->setString("something the user copied");
    Pasteboard::setGeneral(pasteboard);
    bool copied = false;
    CrashNote::copyReport(model, [&] { copied = true; });
    ASSERT_TRUE(MainLoop::shared().runUntil([&] { return copied; }));
    EXPECT_EQ(pasteboard->string(), report);
    EXPECT_EQ(pasteboard->clears(), 1);
}

TEST_F(CrashNoteTest, ThePageSpeaksInTheApplicationsWording) {
    Model hang{Model::Kind::hang, "2.4.0", "the hang"};
    CrashNote::Page page = CrashNote::page(hang);
    EXPECT_EQ(page.title, "Tool stopped responding");
    EXPECT_EQ(page.explanation, "It stopped responding the last time it ran. Sorry about that. "
                                "It's running again, and things went back to normal.");
    EXPECT_NE(page.paragraphs[0].find("It has nothing about your files, and"), std::string::npos);
    EXPECT_NE(page.paragraphs[1].find("settings, its settings and the last"), std::string::npos);

    // The default wording, for a crash.
    CrashNote::reset();
    page = CrashNote::page({Model::Kind::crash, "2.4.0", "the crash"});
    EXPECT_EQ(page.title, "Tool quit unexpectedly");
    EXPECT_EQ(page.explanation, "It quit unexpectedly the last time it ran. Sorry about that. "
                                "It's running again, and .");
    EXPECT_NE(page.paragraphs[0].find("It has nothing personal, and"), std::string::npos);
    EXPECT_NE(page.paragraphs[1].find("settings, its state and the last"), std::string::npos);
}

} // namespace
} // namespace corvale
