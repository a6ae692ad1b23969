#include "CorvaleCore/CrashReport.hpp"
#include "CorvaleCore/Folders.hpp"
#include "CorvaleCore/Json.hpp"

#include "Support/Framework.hpp"
#include "Support/TemporaryHome.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace corvale {
namespace {

using namespace std::chrono;
using namespace std::chrono_literals;
using json::Json;

Json header(std::string bundleID = "org.example.tool", std::string name = "Tool") {
    return Json{{"app_name", std::move(name)},
                {"app_version", "2.4.1"},
                {"build_version", "7"},
                {"bundleID", std::move(bundleID)},
                {"os_version", "macOS 14.5 (23F79)"},
                {"timestamp", "2026-03-02 09:05:03.00 +0000"}};
}

std::string report(const Json& head, const Json& body) {
    // The system writes the body pretty-printed over many lines.
    return head.dump() + "\n" + body.dump(2);
}

Json frame(int image, std::string symbol, int location) {
    return Json{{"imageIndex", image}, {"symbol", std::move(symbol)}, {"symbolLocation", location}};
}

std::string column(std::string image) {
    image.resize(24, ' ');
    return image;
}

class CrashReportTest : public ::testing::Test {
protected:
    std::filesystem::path folder() const { return Folders::diagnosticReports(); }

    // Writes a report into the diagnostic reports folder, modified at `modified`.
    std::filesystem::path write(const std::string& name, const std::string& contents,
                                system_clock::time_point modified) const {
        std::filesystem::create_directories(folder());
        std::filesystem::path path = folder() / name;
        std::ofstream(path, std::ios::binary) << contents;
        std::filesystem::last_write_time(path, file_clock::from_sys(modified));
        return path;
    }

    test::TemporaryHome home;
    test::ScopedIdentity identity{{"Tool", "org.example.tool", "owner/Tool"}};
};

TEST_F(CrashReportTest, SummarisesTheAppTheSystemTheExceptionTheNotesAndTheCrashedThread) {
    std::string homePath = home.path().string();
    Json body = {
        {"translated", true},
        {"exception",
         {{"type", "EXC_BAD_ACCESS"}, {"signal", "SIGSEGV"}, {"subtype", "KERN_INVALID_ADDRESS"}}},
        {"asi",
         {{"libsystem_c.dylib", {"  second \n", 12, "third"}},
          {"dyld", {"first in " + homePath + "/Library/Tool.app", " \u00a0\u2028trimmed\u3000 "}},
          {"ignored", "not a list"}}},
        {"usedImages",
         {{{"name", "Tool"}}, {{"name", "libsystem_kernel.dylib"}}, {{"path", "/usr/lib/x"}}, 7}},
        {"faultingThread", 1},
        {"threads",
         {{{"triggered", false}, {"frames", {frame(0, "wrong()", 1)}}},
          {{"queue", "com.apple.main-thread"},
           {"frames",
            {frame(0, "Tool.crash() in " + homePath, 12),
             {{"imageIndex", 1}, {"imageOffset", 4660}},
             {{"imageIndex", 2}, {"imageOffset", 1}},
             {{"imageIndex", 3}},
             {{"imageIndex", -1}, {"symbol", "start"}},
             {{"imageIndex", 9}, {"symbolLocation", "12"}, {"imageOffset", 255}},
             "not a frame"}}}}}};
    std::optional<std::string> text = CrashReport::summarize(report(header(), body));
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, "Tool 2.4.1 (7) crashed at 2026-03-02 09:05:03.00 +0000\n"
                     "macOS 14.5 (23F79), under Rosetta\n"
                     "EXC_BAD_ACCESS (SIGSEGV), KERN_INVALID_ADDRESS\n"
                     "  first in ~/Library/Tool.app\n"
                     "  trimmed\n"
                     "  second\n"
                     "  third\n"
                     "\n"
                     "Thread 1 crashed (com.apple.main-thread):\n"
                     "0   Tool                     Tool.crash() in ~ + 12\n"
                     "1   libsystem_kernel.dylib   0x1234\n"
                     "2   ?                        0x1\n"
                     "3   ?                        0x0\n"
                     "4   ?                        start + 0\n"
                     "5   ?                        0xff\n"
                     "6   ?                        0x0");
    EXPECT_EQ(text->find(homePath), std::string::npos);
}

TEST_F(CrashReportTest, MissingOrMistypedValuesStandAsQuestionMarksOrAreLeftOut) {
    Json head = header();
    head.erase("app_version");
    head["build_version"] = 7;
    head["os_version"] = nullptr;
    Json body = {{"translated", "yes"},
                 {"exception", {{"type", "EXC_CRASH"}, {"subtype", 3}}},
                 {"asi", {"not", "an object of lists"}}};
    EXPECT_EQ(CrashReport::summarize(report(head, body)),
              "Tool ? (?) crashed at 2026-03-02 09:05:03.00 +0000\n"
              "?\n"
              "EXC_CRASH (?)");
    // An empty body still says what crashed; an exception that is not an object is left out.
    EXPECT_EQ(CrashReport::summarize(report(header(), Json{{"exception", "SIGSEGV"}})),
              "Tool 2.4.1 (7) crashed at 2026-03-02 09:05:03.00 +0000\nmacOS 14.5 (23F79)");
}

TEST_F(CrashReportTest, PicksTheCrashedThread) {
    auto thread = [](const std::string& name, bool triggered, std::optional<std::string> queue) {
        Json made = {{"triggered", triggered}, {"frames", {frame(0, name, 0)}}};
        if (queue) {
            made["queue"] = *queue;
        }
        return made;
    };
    Json threads = {thread("zero()", false, std::nullopt), thread("one()", true, "q.one"),
                    thread("two()", false, "q.two")};
    auto crashed = [&](Json faulting) -> std::string {
        Json body = {{"usedImages", {{{"name", "Tool"}}}}, {"threads", threads}};
        if (!faulting.is_discarded()) {
            body["faultingThread"] = faulting;
        }
        std::string text = CrashReport::summarize(report(header(), body)).value_or("none");
        std::size_t at = text.find("\n\n");
        return at == std::string::npos ? "" : text.substr(at + 2);
    };
    const std::string tool = column("Tool");
    EXPECT_EQ(crashed(2), "Thread 2 crashed (q.two):\n0   " + tool + " two() + 0");
    // Absent or not an integer: the first triggered thread.
    EXPECT_EQ(crashed(Json(Json::value_t::discarded)),
              "Thread 1 crashed (q.one):\n0   " + tool + " one() + 0");
    EXPECT_EQ(crashed("2"), "Thread 1 crashed (q.one):\n0   " + tool + " one() + 0");
    // Negative or out of range: no thread section.
    EXPECT_EQ(crashed(-1), "");
    EXPECT_EQ(crashed(3), "");

    // No triggered thread: thread 0.
    threads[1]["triggered"] = "true";
    EXPECT_EQ(crashed(Json(Json::value_t::discarded)),
              "Thread 0 crashed:\n0   " + tool + " zero() + 0");
}

TEST_F(CrashReportTest, ShowsAtMostFortyFramesAndCutsLongImageNames) {
    Json frames = Json::array();
    for (int i = 0; i < 100; ++i) {
        frames.push_back(frame(0, "f" + std::to_string(i), i));
    }
    std::string longName = "ThirtyCharactersLongImageName!";
    ASSERT_EQ(longName.size(), 30u);
    Json body = {{"usedImages", {{{"name", longName}}, {{"name", "Ünïcödé-Ïmägé-Nämé-Längér"}}}},
                 {"threads", {{{"frames", frames}}}}};
    std::string text = CrashReport::summarize(report(header(), body)).value_or("");
    std::istringstream lines(text.substr(text.find("Thread 0 crashed:\n") + 18));
    std::vector<std::string> frameLines;
    for (std::string line; std::getline(lines, line);) {
        frameLines.push_back(line);
    }
    ASSERT_EQ(frameLines.size(), 40u);
    EXPECT_EQ(frameLines.front(), "0   ThirtyCharactersLongImag f0 + 0");
    EXPECT_EQ(frameLines.back(), "39  ThirtyCharactersLongImag f39 + 39");

    // Characters, not bytes: a cut never splits one.
    body["threads"] = {{{"frames", {frame(1, "g", 1)}}}};
    text = CrashReport::summarize(report(header(), body)).value_or("");
    EXPECT_NE(text.find("\n0   Ünïcödé-Ïmägé-Nämé-Längé g + 1"), std::string::npos) << text;
}

TEST_F(CrashReportTest, OnlyReportsOfThisApplicationThatParse) {
    Json body = Json::object();
    EXPECT_TRUE(CrashReport::summarize(report(header(), body)).has_value());
    // Another bundle, but this application's name: still ours.
    EXPECT_TRUE(CrashReport::summarize(report(header("org.other", "Tool"), body)).has_value());
    EXPECT_FALSE(CrashReport::summarize(report(header("org.other", "Other"), body)).has_value());
    Json mistyped = header();
    mistyped["bundleID"] = Json::array({"org.example.tool"});
    mistyped["app_name"] = 1;
    EXPECT_FALSE(CrashReport::summarize(report(mistyped, body)).has_value());

    for (const std::string& bad : std::vector<std::string>{
             std::string(),
             header().dump(),                               // no newline
             header().dump() + "\n",                        // no body
             "{not json\n{}",                               // header not JSON
             header().dump() + "\n[1, 2]",                  // body not an object
             header().dump() + "\n{\"asi\": \"\xff\xfe\"}", // not UTF-8
             header().dump() + "\n\xc0\xaf{}",              // overlong UTF-8
         }) {
        EXPECT_EQ(CrashReport::summarize(bad), std::nullopt) << bad;
    }
}

TEST_F(CrashReportTest, DeepOrHugeValuesGiveNoExceptionAndNoCrash) {
    std::string deep = header().dump() + "\n{\"asi\": {\"a\": " + std::string(100000, '[') +
                       std::string(100000, ']') + "}}";
    EXPECT_EQ(CrashReport::summarize(deep), "Tool 2.4.1 (7) crashed at 2026-03-02 09:05:03.00 "
                                            "+0000\nmacOS 14.5 (23F79)");
    std::string unclosed = header().dump() + "\n" + std::string(100000, '[');
    EXPECT_EQ(CrashReport::summarize(unclosed), std::nullopt);
    Json body = {{"faultingThread", 1e300},
                 {"threads", {{{"frames", {{{"imageIndex", 1e19}, {"imageOffset", -1}}}}}}}};
    EXPECT_EQ(CrashReport::summarize(report(header(), body)),
              "Tool 2.4.1 (7) crashed at 2026-03-02 09:05:03.00 +0000\nmacOS 14.5 (23F79)\n\n"
              "Thread 0 crashed:\n0   " +
                  column("?") + " 0xffffffffffffffff");
}

TEST_F(CrashReportTest, SummaryOfAFileReadsItAndShowsTheHomeAsATilde) {
    Json body = {{"asi", {{"x", {"loaded from " + home.path().string() + "/Applications"}}}}};
    std::filesystem::path path =
        write("Tool-2026-03-02.ips", report(header(), body), system_clock::now());
    std::optional<std::string> text = CrashReport::summary(path);
    ASSERT_TRUE(text.has_value());
    EXPECT_NE(text->find("\n  loaded from ~/Applications"), std::string::npos) << *text;
    EXPECT_EQ(CrashReport::summary(folder() / "missing.ips"), std::nullopt);
    EXPECT_EQ(CrashReport::summary(folder()), std::nullopt);

    // A home given with a trailing slash is still found; a home of "/" replaces nothing.
    home.environment().set("HOME", home.path().string() + "/");
    EXPECT_EQ(CrashReport::summary(path), text);
    std::filesystem::path owner = home.path();
    home.environment().set("HOME", "/");
    text = CrashReport::summary(path);
    ASSERT_TRUE(text.has_value());
    EXPECT_NE(text->find("\n  loaded from " + owner.string() + "/Applications"), std::string::npos)
        << *text;
}

TEST_F(CrashReportTest, LatestFindsTheNewestReportOfThisApplicationSinceAMoment) {
    system_clock::time_point since = system_clock::now() - 1h;
    EXPECT_EQ(CrashReport::latest(since), std::nullopt) << "no folder yet";

    Json body = {{"exception", {{"type", "EXC_BAD_ACCESS"}, {"signal", "SIGSEGV"}}}};
    write("Tool-old.ips", report(header(), body), since - 2s);
    std::filesystem::path justBefore =
        write("Tool-2026-03-02-090503.ips", report(header(), body), since - 500ms);
    std::optional<CrashReport::Summary> found = CrashReport::latest(since);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->url, justBefore);
    EXPECT_LE(abs(found->date - (since - 500ms)), 1ms);
    EXPECT_EQ(found->text, *CrashReport::summary(justBefore));

    // Not ours by name or extension, however new: ignored.
    Json ours = {{"exception", {{"type", "EXC_CRASH"}, {"signal", "SIGABRT"}}}};
    write("Tool-newer.crash", report(header(), ours), since + 10s);
    write("Other-newer.ips", report(header(), ours), since + 10s);
    write(".Tool-hidden.ips", report(header(), ours), since + 10s);
    // A newer report of another application that begins with the same name: passed over.
    write("Tool-newest.ips", report(header("org.other", "Toolbox"), ours), since + 20s);
    // So is one that does not parse.
    write("Tool-damaged.ips", header().dump() + "\n{", since + 30s);
    found = CrashReport::latest(since);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->url, justBefore);

    // A newer readable report wins, and only it is summarised.
    std::filesystem::path newer = write("Tool-later.ips", report(header(), ours), since + 5s);
    found = CrashReport::latest(since);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->url, newer);
    EXPECT_NE(found->text.find("EXC_CRASH (SIGABRT)"), std::string::npos);

    EXPECT_EQ(CrashReport::latest(since + 1h), std::nullopt);
    EXPECT_TRUE(CrashReport::latest(system_clock::time_point::min() + 1h).has_value());
}

} // namespace
} // namespace corvale
