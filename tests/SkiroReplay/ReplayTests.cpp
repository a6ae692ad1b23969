// Recordings read back and replayed through the tap on the simulated system: the committed
// recordings must replay as recorded, and a replay must notice what changed.
#include "CorvaleCore/Files.hpp"
#include "Skiro/Replay/Replay.hpp"

#include <gtest/gtest.h>

#include <filesystem>

namespace skiro {
namespace {

namespace fs = std::filesystem;

const fs::path recordings = SKIRO_RECORDINGS;

std::string textOf(const std::string& name) {
    std::optional<std::string> text = corvale::readFile(recordings / name);
    EXPECT_TRUE(text) << name;
    return text.value_or("");
}

std::vector<std::size_t> problemLines(std::string_view text) {
    std::vector<std::size_t> lines;
    for (const RecordingFile::Problem& problem : RecordingReader::read(text).problems) {
        lines.push_back(problem.line);
    }
    return lines;
}

TEST(RecordingReader, ReadsWhatReplayNeedsAndNamesTheLineOfEachDamage) {
    const std::string header = R"({"kind":"header","tap":"session","directions":"system"})";
    const std::string senders = R"({"kind":"senders","senders":{"1":{"kind":"mouse"}}})";
    const std::string scroll =
        R"({"kind":"scroll","flip":"v","timestamp":5,"sender":1,"raw":[[11,-1,-1.0],[93,0,"nan"]],)"
        R"("hid":[1.5,0],"shift":true,"ns":{"inverted":true},"future":[1],)"
        R"("after":{"line":[1,0],"fixed":[0.5,0],"point":[10,0]}})";
    const std::string good = header + "\n" + R"({"kind":"delivered","odd":{}})" + "\n" +
                             R"({"kind":"system","natural":false})" + "\n" + scroll + "\n" +
                             R"({"kind":"unheard of"})" + "\n" + senders + "\n";

    const RecordingFile file = RecordingReader::read(good);
    ASSERT_TRUE(file.readable()) << file.problems.front().reason;
    EXPECT_EQ(file.header.tap, "session");
    EXPECT_FALSE(file.header.directions);
    EXPECT_TRUE(file.header.systemNatural) << "a missing key takes its default";
    ASSERT_EQ(file.scrolls.size(), 1u);
    const RecordingFile::Scroll& s = file.scrolls[0];
    EXPECT_EQ(s.line, 4u);
    EXPECT_EQ(s.flip, "v");
    EXPECT_EQ(s.sender, 1);
    EXPECT_TRUE(s.shift && s.systemTurned);
    EXPECT_EQ(s.hid, (std::array<double, 2>{1.5, 0}));
    ASSERT_EQ(s.raw.size(), 2u);
    EXPECT_EQ(s.raw[0].integer, -1);
    EXPECT_TRUE(std::isnan(s.raw[1].real));
    EXPECT_EQ(s.after, (ScrollDeltas{{1, 0.5, 10}, {0, 0, 0}}));
    ASSERT_EQ(file.changes.size(), 1u);
    EXPECT_EQ(file.changes[0].beforeScroll, 0u);
    EXPECT_FALSE(file.changes[0].natural);
    EXPECT_EQ(file.senders.at(1)["kind"], "mouse");

    // Each damage named at its line; the file is not replayed.
    auto with = [&](const std::string& line) { return header + "\n" + line + "\n" + senders; };
    auto edited = [&](const std::string& from, const std::string& to) {
        std::string text = scroll;
        text.replace(text.find(from), from.size(), to);
        return with(text);
    };
    EXPECT_EQ(problemLines(""), (std::vector<std::size_t>{1}));
    EXPECT_EQ(problemLines(scroll + "\n" + senders), (std::vector<std::size_t>{1}));
    EXPECT_EQ(problemLines(header + "\n" + scroll), (std::vector<std::size_t>{3})) << "cut";
    EXPECT_EQ(problemLines(good + "{}"), (std::vector<std::size_t>{7})) << "after the senders";
    EXPECT_EQ(problemLines(with("{\"kind\":\"scroll\",")), (std::vector<std::size_t>{2}));
    EXPECT_EQ(problemLines(with(header)), (std::vector<std::size_t>{2})) << "a second header";
    EXPECT_EQ(problemLines(with(R"({"kind":"system"})")), (std::vector<std::size_t>{2}));
    for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
             {"[11,-1,-1.0]", "[256,-1,-1.0]"},
             {"[11,-1,-1.0]", "[11,-1]"},
             {"[11,-1,-1.0]", "[11,18446744073709551615,1]"},
             {"\"timestamp\":5", "\"timestamp\":-5"},
             {"\"flip\":\"v\"", "\"flip\":\"x\""},
             {"\"sender\":1", "\"sender\":2"},
             {"\"shift\":true", "\"shift\":1"},
             {"\"hid\":[1.5,0]", "\"hid\":[1.5]"},
             {"\"point\":[10,0]", "\"point\":[10.5,0]"},
         }) {
        EXPECT_EQ(problemLines(edited(from, to)), (std::vector<std::size_t>{2})) << to;
    }
    EXPECT_EQ(problemLines(R"({"kind":"header","directions":{"mouseVertical":"up"}})"
                           "\n" +
                           senders),
              (std::vector<std::size_t>{1}));
}

TEST(Replay, EveryCommittedRecordingReplaysAsRecorded) {
    std::size_t files = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(recordings)) {
        const RecordingFile file = RecordingReader::read(textOf(entry.path().filename()));
        ASSERT_TRUE(file.readable()) << entry.path();
        const Replay::Outcome outcome = Replay::run(file);
        EXPECT_GT(outcome.scrolls, 0u) << entry.path();
        EXPECT_EQ(
            Replay::report(outcome),
            (std::vector<std::string>{std::to_string(outcome.scrolls) + " scrolls replayed: " +
                                      std::to_string(outcome.scrolls) + " as recorded"}))
            << entry.path();
        ++files;
    }
    EXPECT_EQ(files, 5u);
}

TEST(Replay, ADecisionEditedInTheFileIsOneDifferenceAtItsLine) {
    std::string text = textOf("trackpad-swipe.jsonl");
    // The third turned scroll, told it was left alone.
    std::size_t at = 0;
    for (int i = 0; i < 3; ++i) {
        at = text.find("\"flip\":\"v\"", at + 1);
    }
    text.replace(at, 10, "\"flip\":\"\"");
    const std::size_t line = 1 + std::count(text.begin(), text.begin() + at, '\n');

    const Replay::Outcome outcome = Replay::run(RecordingReader::read(text));
    ASSERT_EQ(outcome.differences.size(), 1u);
    EXPECT_EQ(outcome.differences[0].line, line);
    EXPECT_EQ(outcome.differences[0].recordedFlip, "");
    EXPECT_EQ(outcome.differences[0].flip, "v");
    EXPECT_EQ(outcome.differences[0].after, outcome.differences[0].recordedAfter);
    const std::vector<std::string> report = Replay::report(outcome);
    ASSERT_EQ(report.size(), 2u);
    EXPECT_EQ(report[0], "10 scrolls replayed: 1 differs");
    EXPECT_EQ(report[1].rfind("line " + std::to_string(line) + ": recorded flip \"\"", 0), 0u)
        << report[1];
}

TEST(Replay, OtherDirectionsChangeWhatIsTurned) {
    const RecordingFile file = RecordingReader::read(textOf("wheel-shift.jsonl"));
    auto differing = [&](std::optional<Directions> directions) {
        std::vector<std::size_t> lines;
        for (const Replay::Difference& d : Replay::run(file, {directions}).differences) {
            EXPECT_EQ(d.flip, "") << "left to the system now";
            lines.push_back(d.line);
        }
        return lines;
    };
    // Shift turns the wheel sideways: those scrolls follow the horizontal setting, which
    // still turns; the plain steps (lines 8 and 10) no longer do.
    EXPECT_EQ(differing(Directions{Direction::natural, Direction::natural, Direction::natural,
                                   Direction::standard}),
              (std::vector<std::size_t>{8, 10}));
    EXPECT_EQ(differing(std::nullopt), (std::vector<std::size_t>{2, 4, 6, 8, 10}));
    EXPECT_TRUE(differing(file.header.directions).empty());
}

} // namespace
} // namespace skiro
