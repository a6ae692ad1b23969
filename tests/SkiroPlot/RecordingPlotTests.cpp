// The picture of a recording: its geometry on the committed regression recordings, and the
// replay tool drawing one.
#include "CorvaleCore/Files.hpp"
#include "Skiro/Plot/RecordingPlot.hpp"
#include "Support/TemporaryHome.hpp"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace skiro {
namespace {

namespace fs = std::filesystem;
using Picture = PlotPicture;
using RecordingPlot::Palette::device;

const fs::path recordings = SKIRO_RECORDINGS;

struct Drawn {
    std::string text;
    RecordingFile file;
    PlotTrace trace;
    Picture picture;
};

Drawn draw(const std::string& name, RecordingPlot::Options options = {}) {
    Drawn drawn;
    drawn.text = corvale::readFile(recordings / name).value_or("");
    drawn.file = RecordingReader::read(drawn.text);
    EXPECT_TRUE(drawn.file.readable()) << name;
    drawn.trace = RecordingPlot::trace(drawn.file, drawn.text);
    drawn.picture = RecordingPlot::layout(drawn.trace, options);
    return drawn;
}

const Picture::Band& bandOf(const Picture& picture, Axis axis) {
    return picture.bands[axis == Axis::vertical ? 0 : 1];
}

std::vector<Picture::ScrollMark> marksOf(const Picture& picture, std::size_t line) {
    std::vector<Picture::ScrollMark> found;
    std::copy_if(picture.scrolls.begin(), picture.scrolls.end(), std::back_inserter(found),
                 [&](const Picture::ScrollMark& mark) { return mark.line == line; });
    return found;
}

class EveryRecording : public ::testing::TestWithParam<std::string> {};

TEST_P(EveryRecording, MarksWhatTheTapTurnedInItsDevicesColourInsideItsBand) {
    const Drawn drawn = draw(GetParam());
    const Picture& picture = drawn.picture;
    ASSERT_EQ(picture.bands.size(), 2u);
    EXPECT_EQ(picture.width, 1600);
    ASSERT_EQ(drawn.trace.scrolls.size(), drawn.file.scrolls.size());

    double previous = 0;
    for (const PlotTrace::Scroll& scroll : drawn.trace.scrolls) {
        const std::vector<Picture::ScrollMark> marks = marksOf(picture, scroll.line);
        for (Axis axis : allCases<Axis>) {
            const bool turned =
                axis == Axis::vertical ? scroll.turned.vertical : scroll.turned.horizontal;
            const auto mark = std::find_if(marks.begin(), marks.end(),
                                           [&](const auto& each) { return each.band == axis; });
            if (mark == marks.end()) {
                EXPECT_FALSE(turned) << "line " << scroll.line << " turned but not drawn";
                continue;
            }
            EXPECT_EQ(mark->turned, turned) << "line " << scroll.line;
            EXPECT_EQ(mark->colour, device(scroll.device, scroll.sender)) << "line " << scroll.line;
            // A turned axis lands on the other side of the middle line.
            if (turned) {
                EXPECT_LT((mark->before - bandOf(picture, axis).zero) *
                              (mark->after - bandOf(picture, axis).zero),
                          0)
                    << "line " << scroll.line;
            }
            const Picture::Rect& area = bandOf(picture, axis).area;
            for (double y : {mark->before, mark->after}) {
                EXPECT_TRUE(y > area.y && y < area.bottom()) << "line " << scroll.line;
            }
            EXPECT_TRUE(mark->x > area.x && mark->x < area.right());
            EXPECT_GE(mark->x, previous) << "time runs left to right";
            previous = mark->x;
        }
    }
    for (const Picture::LegendEntry& entry : picture.legend) {
        EXPECT_LT(entry.y, picture.height) << entry.text;
    }
}

INSTANTIATE_TEST_SUITE_P(RecordingPlot, EveryRecording,
                         ::testing::Values("trackpad-swipe.jsonl", "wheel-shift.jsonl",
                                           "magic-mouse.jsonl", "turned-back.jsonl",
                                           "system-change.jsonl"),
                         [](const ::testing::TestParamInfo<std::string>& recording) {
                             std::string name =
                                 recording.param.substr(0, recording.param.find('.'));
                             name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
                             return name;
                         });

TEST(RecordingPlot, ShadesGesturesAndMomentumWhereTheRecordingSays) {
    for (const char* name : {"trackpad-swipe.jsonl", "magic-mouse.jsonl"}) {
        const Drawn drawn = draw(name);
        const Picture& picture = drawn.picture;
        ASSERT_EQ(picture.spans.size(), 2u) << name;
        const Picture::Span& gesture = picture.spans[0];
        const Picture::Span& momentum = picture.spans[1];
        ASSERT_EQ(gesture.kind, Picture::SpanKind::gesture);
        ASSERT_EQ(momentum.kind, Picture::SpanKind::momentum);
        EXPECT_LT(gesture.to, momentum.from) << name;
        for (const PlotTrace::Scroll& scroll : drawn.trace.scrolls) {
            for (const Picture::ScrollMark& mark : marksOf(picture, scroll.line)) {
                const Picture::Span& inside = scroll.momentum != 0 ? momentum : gesture;
                EXPECT_TRUE(mark.x >= inside.from && mark.x <= inside.to)
                    << name << " line " << scroll.line;
            }
        }
    }
    EXPECT_TRUE(draw("wheel-shift.jsonl").picture.spans.empty()) << "a wheel makes no gestures";
}

TEST(RecordingPlot, DrawsTheScrollsAReplayDecidedDifferentlyInAColourOfTheirOwn) {
    const Drawn plain = draw("trackpad-swipe.jsonl");
    const std::size_t differing = plain.trace.scrolls[2].line;
    RecordingPlot::Options options;
    options.replayed = true;
    options.differing = {differing};
    options.directions = std::optional<Directions>(Directions{});
    const Picture picture = draw("trackpad-swipe.jsonl", options).picture;

    for (const Picture::ScrollMark& mark : picture.scrolls) {
        EXPECT_EQ(mark.differs, mark.line == differing);
        EXPECT_EQ(mark.colour,
                  mark.differs ? RecordingPlot::Palette::differs : device(Device::trackpad, 1));
    }
    EXPECT_EQ(marksOf(picture, differing).size(), 1u);
    EXPECT_TRUE(std::any_of(picture.legend.begin(), picture.legend.end(), [](const auto& entry) {
        return entry.colour == RecordingPlot::Palette::differs;
    }));
    ASSERT_EQ(picture.caption.size(), 2u);
    EXPECT_EQ(picture.caption[1],
              "Replayed with trackpad natural/natural, mouse standard/standard "
              "(vertical/horizontal): 1 of 10 scrolls decided differently, drawn in magenta.");
    EXPECT_EQ(plain.picture.caption.size(), 1u) << "not replayed: nothing said about a replay";
}

TEST(RecordingPlot, ShowsDeliveriesTurnedBackAndTheSystemsChangeWhereTheyHappened) {
    const Picture turnedBack = draw("turned-back.jsonl").picture;
    ASSERT_EQ(turnedBack.delivered.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const Picture::DeliveredMark& mark = turnedBack.delivered[i];
        EXPECT_FALSE(mark.agrees);
        // Received below the line, where the device put it, though the tap wrote it above.
        EXPECT_GT(mark.y, turnedBack.bands[0].zero);
        EXPECT_DOUBLE_EQ(mark.y, turnedBack.scrolls[i].before);
    }
    EXPECT_TRUE(std::all_of(draw("wheel-shift.jsonl").picture.delivered.begin(),
                            draw("wheel-shift.jsonl").picture.delivered.end(),
                            [](const auto& mark) { return mark.agrees; }));

    // A failed read-back is marked on the scroll it happened to, and only there.
    std::string failing = corvale::readFile(recordings / "turned-back.jsonl").value_or("");
    failing.replace(failing.find(R"("readBack":true)"), 15, R"("readBack":false)");
    const RecordingFile file = RecordingReader::read(failing);
    const Picture failed = RecordingPlot::layout(RecordingPlot::trace(file, failing), {});
    ASSERT_EQ(failed.scrolls.size(), 3u);
    for (const Picture::ScrollMark& mark : failed.scrolls) {
        EXPECT_EQ(mark.readBackFailed, mark.line == file.scrolls.front().line);
    }

    const Drawn change = draw("system-change.jsonl");
    ASSERT_EQ(change.picture.notes.size(), 1u);
    EXPECT_EQ(change.picture.notes[0].text, "system direction: standard");
    // Between the first swipe's last scroll and the second's first.
    EXPECT_DOUBLE_EQ(change.trace.notes[0].t, 64);
    const double x = change.picture.notes[0].x;
    const auto& marks = change.picture.scrolls;
    EXPECT_TRUE(std::any_of(marks.begin(), marks.end(), [&](const auto& m) { return m.x < x; }));
    EXPECT_TRUE(std::any_of(marks.begin(), marks.end(), [&](const auto& m) { return m.x > x; }));
    for (const Picture::ScrollMark& mark : marks) {
        EXPECT_EQ(mark.turned, mark.x < x) << "after the change the system's direction suits";
    }
}

// --- The replay tool drawing a picture.

struct Ran {
    int status = -1;
    std::string out;
    std::string err;
};

Ran replay(const std::vector<std::string>& arguments, const fs::path& folder) {
    std::string command = "'" + std::string(SKIRO_REPLAY) + "'";
    for (const std::string& argument : arguments) {
        command += " '" + argument + "'";
    }
    command += " >'" + (folder / "out").string() + "' 2>'" + (folder / "err").string() + "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
            corvale::readFile(folder / "out").value_or(""),
            corvale::readFile(folder / "err").value_or("")};
}

// A PNG's width and height, from its header chunk.
std::pair<int, int> pngSize(const std::string& bytes) {
    if (bytes.size() < 24 || bytes.compare(1, 3, "PNG") != 0) {
        return {0, 0};
    }
    auto number = [&](std::size_t at) {
        int value = 0;
        for (std::size_t i = at; i < at + 4; ++i) {
            value = value * 256 + static_cast<unsigned char>(bytes[i]);
        }
        return value;
    };
    return {number(16), number(20)};
}

TEST(RecordingPlot, TheReplayToolDrawsAPictureOrSaysWhyItCouldNot) {
    corvale::test::TemporaryFolder folder("plot");
    const fs::path recording = recordings / "trackpad-swipe.jsonl";
    const fs::path png = folder.path() / "swipe.png";

    const Ran drawn = replay({"--plot", png.string(), recording.string()}, folder.path());
    ASSERT_EQ(drawn.status, 0) << drawn.err;
    RecordingPlot::Options replayed;
    replayed.replayed = true;
    const Picture expected = draw("trackpad-swipe.jsonl", replayed).picture;
    EXPECT_EQ(pngSize(corvale::readFile(png).value_or("")),
              std::make_pair(expected.width, expected.height));
    EXPECT_EQ(drawn.out, "10 scrolls replayed: 10 as recorded\nDrew " + png.string() +
                             " (1600 by " + std::to_string(expected.height) + ").\n");

    const fs::path svg = folder.path() / "swipe.svg";
    ASSERT_EQ(replay({"--plot", svg.string(), recording.string(), "--directions", "natural",
                      "natural", "natural", "natural"},
                     folder.path())
                  .status,
              1)
        << "decided differently now, as a replay says";
    EXPECT_NE(corvale::readFile(svg).value_or("").find("<svg"), std::string::npos);

    const fs::path damaged = folder.path() / "damaged.jsonl";
    std::ofstream(damaged) << R"({"kind":"header"})"
                           << "\nnot json\n";
    const Ran refused = replay({"--plot", png.string(), damaged.string()}, folder.path());
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err.substr(0, refused.err.find('\n')),
              "Couldn't draw " + png.string() + ": " + damaged.string() + " is damaged.");

    const fs::path nowhere = folder.path() / "missing" / "swipe.png";
    const Ran unwritable = replay({"--plot", nowhere.string(), recording.string()}, folder.path());
    EXPECT_EQ(unwritable.status, 2);
    EXPECT_EQ(unwritable.err, "Couldn't draw " + nowhere.string() + ": it can't be written.\n");
}

} // namespace
} // namespace skiro
