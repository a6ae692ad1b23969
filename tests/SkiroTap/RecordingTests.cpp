// Recordings: the lines a recording builds from events, the file it writes, and recordings made
// on a running tap while scrolls pass through it to the application under the pointer.
#include "LiveTap.hpp"
#include "Skiro/Tap/Recording.hpp"
#include "Support/Shape.hpp"
#include "Support/TemporaryHome.hpp"

#include "CorvaleCore/Files.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <thread>

namespace skiro::test {
namespace {

using corvale::json::Json;
using platform::simulated::gestures::swipe;
using platform::simulated::gestures::wheelSteps;
namespace fs = std::filesystem;

// The field numbers a "raw" list names.
std::vector<std::int64_t> rawFields(const Json& raw) {
    std::vector<std::int64_t> fields;
    for (const Json& triple : raw) {
        fields.push_back(triple.at(0).get<std::int64_t>());
    }
    return fields;
}

// --- The recording on its own: lines, times, senders.

struct RecordingTest : ::testing::Test {
    SimulatedSystem system;
    Recording recording{Json{{"version", "1.0"}}, system.clock(), system.registry()};

    void advance(std::chrono::nanoseconds by) { system.simulatedClock().advance(by); }
};

TEST_F(RecordingTest, StartsWithTheHeaderAndDatesLinesByUptimeAndEventTime) {
    ASSERT_EQ(recording.lines().size(), 1u);
    EXPECT_EQ(recording.lines()[0], (Json{{"kind", "header"}, {"version", "1.0"}}));

    // Event times run ahead of uptime here, and backwards later: "at" follows the uptime clock
    // only, "t" the event times only, from the first timed line.
    advance(std::chrono::milliseconds(3));
    recording.add(Json{{"kind", "scroll"}}, 5'000'000'000);
    advance(std::chrono::microseconds(1500));
    recording.add(Json{{"kind", "note"}}, std::nullopt);
    recording.add(Json{{"kind", "scroll"}}, 5'020'500'000);
    recording.add(Json{{"kind", "delivered"}}, 4'999'000'000);

    const std::vector<Json>& lines = recording.lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(recording.firstTimestamp(), 5'000'000'000u);
    EXPECT_DOUBLE_EQ(lines[1]["at"].get<double>(), 3.0);
    EXPECT_DOUBLE_EQ(lines[1]["t"].get<double>(), 0.0);
    EXPECT_DOUBLE_EQ(lines[2]["at"].get<double>(), 4.5);
    EXPECT_FALSE(lines[2].contains("t")) << "a note has no event time";
    EXPECT_DOUBLE_EQ(lines[3]["t"].get<double>(), 20.5);
    EXPECT_DOUBLE_EQ(lines[4]["t"].get<double>(), -1.0) << "a signed difference";
    EXPECT_FALSE(lines[0].contains("at")) << "the header carries neither";
}

TEST_F(RecordingTest, NumbersSendersOnSightAndAsksTheRegistryOnlyForTheirFacts) {
    VirtualDevice& trackpad = system.attach(DeviceDescription::builtInTrackpad());
    VirtualDevice& mouse = system.attach(DeviceDescription::wheelMouse());

    EXPECT_EQ(recording.sender(trackpad.senderID(), std::nullopt), 1);
    EXPECT_EQ(recording.sender(trackpad.senderID(), std::nullopt), 1);
    EXPECT_EQ(recording.sender(mouse.senderID(), Device::mouse), 2);
    EXPECT_EQ(recording.sender(0xDEAD, std::nullopt), 3);
    EXPECT_EQ(recording.sender(0xBEEF, Device::trackpad), 4);
    EXPECT_EQ(system.simulatedRegistry().serviceLookups(), 0) << "numbering asks nothing";

    const Json facts = recording.senderFacts();
    EXPECT_EQ(system.simulatedRegistry().serviceLookups(), 4) << "once per sender";
    ASSERT_EQ(facts.size(), 4u);
    EXPECT_EQ(facts["1"]["class"], "AppleMultitouchTrackpadHIDEventDriver");
    EXPECT_EQ(facts["1"]["kind"], "trackpad");
    EXPECT_EQ(facts["2"]["kind"], "mouse");
    EXPECT_EQ(facts["3"], (Json{{"kind", "unknown"}}));
    EXPECT_EQ(facts["4"], (Json{{"kind", "trackpad"}})) << "unknown to the registry: the kind "
                                                           "the tap knew";
}

// --- Line builders.

TEST_F(RecordingTest, RawListsEveryFieldThatIsNotZeroButNeverTheProcessOrWindowFields) {
    VirtualDevice& trackpad = system.attach(DeviceDescription::builtInTrackpad());
    SimulatedEvent event = system.makeScroll(trackpad, Scroll{12, 0, 2});
    // The system's event names the target process and windows (39, 40, 91, 92) and the
    // sender (41); none of them may reach a file.
    for (platform::EventField field : Recording::leftOut) {
        event.storeInteger(field, 777);
    }
    event.storeDouble(150, 0.5); // an integer 0, a real 0.5
    event.storeDouble(151, std::numeric_limits<double>::quiet_NaN());
    event.storeDouble(152, -std::numeric_limits<double>::infinity());
    event.storeDouble(153, 0.0);

    const Json raw = Recording::raw(event);
    const std::vector<std::int64_t> fields = rawFields(raw);
    EXPECT_TRUE(std::is_sorted(fields.begin(), fields.end()));
    for (platform::EventField field : Recording::leftOut) {
        EXPECT_EQ(std::count(fields.begin(), fields.end(), field), 0) << field;
    }
    EXPECT_EQ(std::count(fields.begin(), fields.end(), 153), 0) << "0 both ways is skipped";

    auto triple = [&](std::int64_t field) {
        for (const Json& each : raw) {
            if (each[0] == field) {
                return each;
            }
        }
        return Json();
    };
    EXPECT_EQ(triple(150), Json::array({150, 0, 0.5}));
    EXPECT_EQ(triple(151), Json::array({151, 0, "nan"}));
    EXPECT_EQ(triple(152)[2], "-inf");
    EXPECT_EQ(triple(99), Json::array({99, 2, 2.0})) << "the phase, with both readings";
}

TEST_F(RecordingTest, AScrollLineSaysWhatTheTapReceivedAndWhatItWillTurn) {
    VirtualDevice& trackpad = system.attach(DeviceDescription::builtInTrackpad());
    SimulatedEvent event =
        system.makeScroll(trackpad, Scroll{12, -5, 2, 0, platform::flag::shift, 3});
    const HIDEvent::Functions functions = HIDEvent::Functions::lookUp(system.symbols());
    const ScrollSample sample{Device::trackpad, true, 2, 0, true, false};
    const Recording::Readers readers{system.appFramework(), functions};

    const Json both =
        Recording::scroll(event, sample, Flip{true, true}, event.hidEvent(), 42, readers);
    EXPECT_EQ(both["flip"], "vh");
    EXPECT_EQ(both["device"], "trackpad");
    EXPECT_EQ(both["count"], 3);
    EXPECT_EQ(both["shift"], true);
    EXPECT_EQ(both["timestamp"], 42);
    // Natural scrolling applied by the system: the event's deltas are the device's negated.
    const Measures v = event.measures(0);
    const Measures h = event.measures(1);
    EXPECT_EQ(both["before"], (Json{{"line", {v.line, h.line}},
                                    {"fixed", {v.fixed, h.fixed}},
                                    {"point", {v.point, h.point}}}));
    EXPECT_EQ(both["hid"], Json::array({12.0, -5.0}));
    EXPECT_EQ(both["ns"]["inverted"], true);
    EXPECT_EQ(both["ns"]["scrollingDelta"], Json::array({-12.0, 5.0}));
    EXPECT_TRUE(both["raw"].is_array());

    EXPECT_EQ(Recording::scroll(event, sample, Flip{}, event.hidEvent(), 42, readers)["flip"], "");
    const Json posted = Recording::scroll(event, sample, Flip{true, false}, nullptr, 42, readers);
    EXPECT_EQ(posted["flip"], "v");
    EXPECT_FALSE(posted.contains("hid")) << "no HID event, no HID values";

    // The framework cannot read the event: "ns" is empty. Without the HID float function the
    // HID values read 0.
    system.simulatedAppFramework().setAvailable(false);
    EXPECT_EQ(Recording::ns(event, system.appFramework()), Json::object());
    const HIDEvent::Functions none{};
    EXPECT_EQ(Recording::hidValues(event.hidEvent(), none), Json::array({0.0, 0.0}));
}

// --- Writing.

struct WriteTest : RecordingTest {
    corvale::test::TemporaryHome home;
    fs::path folder = home.cache() / "Skiro" / "recordings";
};

TEST_F(WriteTest, WritesJsonLinesWithSortedKeysEndingWithTheSenders) {
    VirtualDevice& mouse = system.attach(DeviceDescription::wheelMouse());
    recording.sender(mouse.senderID(), std::nullopt);
    recording.add(Json{{"zeta", 1}, {"alpha", Json{{"b", 2}, {"a", 1}}}}, 7);
    recording.add(Json{{"fixed", std::numeric_limits<double>::infinity()}}, std::nullopt);
    recording.add(Json::array({1, 2}), std::nullopt); // not an object: left out

    std::optional<fs::path> file = recording.write();
    ASSERT_TRUE(file);
    EXPECT_EQ(file->parent_path(), folder);
    // Named by the local date and time.
    EXPECT_TRUE(corvale::test::hasShape(file->filename().string(), "record-########-######.jsonl"))
        << *file;

    const std::string text = corvale::readFile(*file).value_or("");
    std::vector<std::string> rows;
    std::istringstream in(text);
    for (std::string row; std::getline(in, row);) {
        rows.push_back(row);
    }
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(rows[0], R"({"kind":"header","version":"1.0"})");
    EXPECT_EQ(rows[1], R"({"alpha":{"a":1,"b":2},"at":0.0,"t":0.0,"zeta":1})");
    EXPECT_EQ(rows[2], R"({"at":0.0,"fixed":"inf"})") << "a non-finite real as text";
    const Json senders = corvale::json::parse(rows[3]);
    EXPECT_EQ(senders["kind"], "senders");
    EXPECT_EQ(senders["senders"]["1"]["kind"], "mouse");
    EXPECT_FALSE(senders.contains("at"));
}

// --- Recording on a running tap.

struct LiveRecordingTest : ::testing::Test {
    corvale::test::TemporaryHome home;
    LiveTap t;
    VirtualDevice& trackpad = t.system.attach(DeviceDescription::builtInTrackpad());
    VirtualDevice& mouse = t.system.attach(DeviceDescription::wheelMouse());

    // How each recording ended: set once `done` was called.
    struct Outcome {
        std::optional<InputTap::Recorded> ended;
        std::optional<std::optional<fs::path>> file;
    };

    LiveRecordingTest() { EXPECT_TRUE(t.tap->start()); }

    std::shared_ptr<Outcome> record(double seconds = 1, Json header = Json{{"tap", "hid"}}) {
        auto outcome = std::make_shared<Outcome>();
        t.tap->recorder().record(seconds, std::move(header),
                                 [outcome](InputTap::Recorded recorded) {
                                     outcome->file = recorded.file;
                                     outcome->ended = recorded;
                                 });
        t.sync();
        return outcome;
    }
    // Fires the recording timer `index` (in the order they were set) and waits until its file
    // has been written.
    void end(std::size_t index = 0) {
        ASSERT_LT(index, t.timers.size());
        t.timers[index].fire();
        t.sync();
        t.writes.sync([] {});
    }
    std::vector<Json> linesOf(const std::shared_ptr<Outcome>& outcome) {
        EXPECT_TRUE(outcome->file) << "done was not called";
        EXPECT_TRUE(outcome->file && *outcome->file) << "nothing was written";
        if (!outcome->file || !*outcome->file) {
            return {};
        }
        return readRecording(**outcome->file);
    }
};

TEST_F(LiveRecordingTest, ARecordingWithoutScrollsHasTheHeaderAndTheSendersOnly) {
    std::shared_ptr<Outcome> outcome = record(1);
    ASSERT_EQ(t.timers.size(), 1u);
    EXPECT_EQ(t.timers[0].delay, std::chrono::seconds(1));
    EXPECT_NE(t.checkTap(), nullptr) << "listening where scrolls are delivered";
    EXPECT_FALSE(outcome->file) << "not before its end";

    end();
    const std::vector<Json> lines = linesOf(outcome);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], (Json{{"kind", "header"}, {"tap", "hid"}}));
    EXPECT_EQ(lines[1], (Json{{"kind", "senders"}, {"senders", Json::object()}}));
    EXPECT_FALSE(t.onTap([&] { return t.tap->recorder().isRecording(); }));
    EXPECT_EQ(t.checkTap(), nullptr);
}

TEST_F(LiveRecordingTest, RecordsATurnedGestureAsTheTapSawItAndAsItWasDelivered) {
    // The trackpad turned, the mouse left to the system (natural here).
    t.tap->setSettings(turning(Directions{Direction::standard, Direction::standard,
                                          Direction::natural, Direction::natural}));
    std::shared_ptr<Outcome> outcome = record();
    const std::vector<PostResult> gesture = t.system.post(trackpad, swipe(30, 0, 2, 1));
    t.system.simulatedClock().advance(std::chrono::milliseconds(8));
    t.system.post(trackpad, Scroll{5, 0, ScrollSample::Phase::began});
    t.system.post(mouse, wheelSteps(1, 1));
    t.sync();
    EXPECT_EQ(t.tap->stats().full.count, 0) << "recording inflates the full path: not timed";
    end();

    const std::vector<Json> lines = linesOf(outcome);
    const std::vector<Json> scrolls = ofKind(lines, "scroll");
    const std::vector<Json> delivered = ofKind(lines, "delivered");
    const std::size_t posted = gesture.size() + 2;
    ASSERT_EQ(scrolls.size(), posted);
    ASSERT_EQ(delivered.size(), posted);
    ASSERT_EQ(lines.size(), 2 * posted + 2);

    // Each scroll's line comes before its delivered line.
    EXPECT_EQ(lines[1]["kind"], "scroll");
    EXPECT_EQ(lines[2]["kind"], "delivered");

    for (std::size_t i = 0; i < posted; ++i) {
        const Json& line = scrolls[i];
        const PostResult* result = i < gesture.size() ? &gesture[i] : nullptr;
        EXPECT_EQ(line["sender"], i + 1 < posted ? 1 : 2) << i;
        EXPECT_EQ(line["timestamp"], delivered[i]["timestamp"]);
        if (line["flip"] == "") {
            // Nothing moved, or nothing to turn: no rewrite to tell of.
            EXPECT_FALSE(line.contains("after")) << i;
            EXPECT_FALSE(line.contains("readBack")) << i;
            EXPECT_EQ(delivered[i]["deltas"], line["before"]) << i;
            continue;
        }
        EXPECT_EQ(line["flip"], "v") << i;
        EXPECT_EQ(line["readBack"], true) << i;
        EXPECT_EQ(line["after"]["point"][0], -line["before"]["point"][0].get<std::int64_t>());
        EXPECT_EQ(line["hidAfter"][0], -line["hid"][0].get<double>());
        EXPECT_EQ(delivered[i]["deltas"], line["after"]) << "arrived as sent";
        if (result != nullptr && result->delivered) {
            EXPECT_EQ(line["after"]["point"][0], result->delivered->vertical.point);
        }
    }
    EXPECT_EQ(scrolls.back()["device"], "mouse");
    EXPECT_EQ(scrolls.back()["flip"], "") << "the mouse follows the system here";

    // "t" follows the events' times: the scroll after the gesture came 8 ms later.
    EXPECT_DOUBLE_EQ(scrolls[gesture.size()]["t"].get<double>() -
                         scrolls[gesture.size() - 1]["t"].get<double>(),
                     8.0);

    EXPECT_EQ(lines.back()["senders"].size(), 2u);
}

TEST(SlowRegistry, TheTapThreadNeverWaitsForTheRegistryWhileRecording) {
    corvale::test::TemporaryHome home;
    TapHarness h({.slowRegistry = true});
    VirtualDevice& trackpad = h.system.attach(DeviceDescription::builtInTrackpad());
    VirtualDevice& mouse = h.system.attach(DeviceDescription::wheelMouse());
    h.tap->setSettings(turning(trackpadStandard));
    const std::thread::id tapThread = h.onTap([] { return std::this_thread::get_id(); });
    std::optional<fs::path> file;
    h.tap->recorder().record(1, Json{{"tap", "hid"}},
                             [&](InputTap::Recorded recorded) { file = recorded.file; });

    // Unseen senders: their lookups wait for the registry elsewhere; the scrolls do not.
    std::size_t posted = 0;
    for (const PostResult& result : h.system.post(trackpad, swipe(30, 0))) {
        EXPECT_TRUE(result.delivered);
        ++posted;
    }
    posted += h.system.post(mouse, wheelSteps(3, 1)).size();
    EXPECT_FALSE(h.slowRegistry->askedFrom(tapThread));
    EXPECT_EQ(h.handled(), posted);
    EXPECT_EQ(h.stats().scrolls, static_cast<std::int64_t>(posted));
    EXPECT_TRUE(h.platformTap()->enabled.load()) << "never too slow";

    // Written elsewhere, once the registry answers: the senders' facts are all there.
    h.slowRegistry->open();
    ASSERT_EQ(h.timers.size(), 1u);
    h.timers[0].fire();
    h.sync();
    h.writes.sync([] {});
    ASSERT_TRUE(file);
    const Json senders = readRecording(*file).back()["senders"];
    EXPECT_EQ(senders["1"]["class"], "AppleMultitouchTrackpadHIDEventDriver");
    EXPECT_EQ(senders["2"]["kind"], "mouse");
    EXPECT_FALSE(h.slowRegistry->askedFrom(tapThread));
}

TEST_F(LiveRecordingTest, DeliveredLinesShowScrollsTurnedBackByAnotherProgram) {
    t.tap->setSettings(turning(mouseStandard));
    t.addFlipper();
    std::shared_ptr<Outcome> outcome = record();
    t.system.post(mouse, wheelSteps(3, 2));
    end();

    const std::vector<Json> lines = linesOf(outcome);
    const std::vector<Json> scrolls = ofKind(lines, "scroll");
    const std::vector<Json> delivered = ofKind(lines, "delivered");
    ASSERT_EQ(scrolls.size(), 3u);
    ASSERT_EQ(delivered.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(scrolls[i]["flip"], "v");
        EXPECT_EQ(scrolls[i]["readBack"], true) << "as written, on leaving the tap";
        // What applications got is what the tap received: turned back.
        EXPECT_EQ(delivered[i]["deltas"], scrolls[i]["before"]);
        EXPECT_NE(delivered[i]["deltas"], scrolls[i]["after"]);
    }
}

TEST_F(LiveRecordingTest, NotesFromAnyThreadHaveAnUptimeButNoEventTime) {
    t.tap->recorder().note(Json{{"kind", "nothing running"}});
    std::shared_ptr<Outcome> outcome = record();
    t.system.simulatedClock().advance(std::chrono::milliseconds(250));
    std::thread([&] {
        t.tap->recorder().note(Json{{"kind", "systemChanged"}, {"natural", false}});
    }).join();
    // The note hops to the tap thread; a scroll posted meanwhile may be handled first.
    t.sync();
    t.system.post(mouse, wheelSteps(1, 1));
    end();

    const std::vector<Json> lines = linesOf(outcome);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[1]["kind"], "systemChanged");
    EXPECT_EQ(lines[1]["natural"], false);
    EXPECT_DOUBLE_EQ(lines[1]["at"].get<double>(), 250.0);
    EXPECT_FALSE(lines[1].contains("t"));
    EXPECT_EQ(lines[2]["kind"], "scroll");
    EXPECT_EQ(lines[2]["t"], 0.0) << "the first timed line, though not the first line";
    EXPECT_TRUE(ofKind(lines, "nothing running").empty());
}

TEST_F(LiveRecordingTest, PausedScrollsTakeTheFullPathWhileRecordingAndTheFastOneAfter) {
    t.tap->setSettings(paused);
    std::shared_ptr<Outcome> outcome = record();
    const std::vector<PostResult> results = t.system.post(trackpad, swipe(20, 10, 2, 0));
    end();
    EXPECT_EQ(ofKind(linesOf(outcome), "scroll").size(), results.size());
    EXPECT_EQ(t.tap->stats().fast.count, 0);

    t.system.post(trackpad, swipe(20, 10, 2, 0));
    t.sync();
    EXPECT_EQ(t.tap->stats().fast.count, static_cast<std::int64_t>(results.size()));
}

TEST_F(LiveRecordingTest, ALaterRecordingReplacesTheRunningOneWhichIsNeverWritten) {
    std::shared_ptr<Outcome> first = record(5, Json{{"n", 1}});
    t.system.post(mouse, wheelSteps(1, 1));
    std::shared_ptr<Outcome> second = record(5, Json{{"n", 2}});
    t.system.post(mouse, wheelSteps(2, 1));
    ASSERT_EQ(t.timers.size(), 2u);

    // The first ends: it was dropped, so it has no file, and the second runs on, still
    // listening where scrolls are delivered.
    end(0);
    ASSERT_TRUE(first->ended);
    EXPECT_FALSE(first->ended->file);
    EXPECT_TRUE(first->ended->replaced) << "nothing failed";
    EXPECT_TRUE(t.tap->recorder().hasTap());
    t.system.post(mouse, wheelSteps(1, 1));

    end(1);
    const std::vector<Json> lines = linesOf(second);
    EXPECT_EQ(lines.front(), (Json{{"kind", "header"}, {"n", 2}}));
    EXPECT_EQ(ofKind(lines, "scroll").size(), 3u);
    EXPECT_EQ(ofKind(lines, "delivered").size(), 3u) << "one delivered tap, no scroll twice";
    EXPECT_FALSE(t.tap->recorder().hasTap());
}

TEST_F(LiveRecordingTest, WithoutTheDeliveredTapTheRecordingHasNoDeliveredLines) {
    t.system.taps().setRefused(TapLocation::annotatedSession, true);
    std::shared_ptr<Outcome> outcome = record();
    EXPECT_EQ(t.count("Couldn't make the delivered tap."), 1u);
    t.system.post(mouse, wheelSteps(2, 1));
    end();
    const std::vector<Json> lines = linesOf(outcome);
    EXPECT_EQ(ofKind(lines, "scroll").size(), 2u);
    EXPECT_TRUE(ofKind(lines, "delivered").empty());
}

TEST_F(LiveRecordingTest, DoneIsToldOfAFileThatCouldNotBeWrittenAndOfATapThatIsGone) {
    std::shared_ptr<Outcome> unwritable = record();
    fs::remove_all(home.cache());
    std::ofstream(home.cache()) << "not a folder";
    end(0);
    ASSERT_TRUE(unwritable->ended);
    EXPECT_FALSE(unwritable->ended->file);
    EXPECT_FALSE(unwritable->ended->replaced);

    std::shared_ptr<Outcome> orphan = record();
    t.tap->stop(false);
    t.sync();
    t.tap.reset();
    t.timers[1].fire();
    t.writes.sync([] {});
    ASSERT_TRUE(orphan->ended) << "told, though the tap is gone";
    EXPECT_FALSE(orphan->ended->file);
}

} // namespace
} // namespace skiro::test
