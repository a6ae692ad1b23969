#pragma once

#include "CorvaleCore/Json.hpp"
#include "Platform/AppFramework.hpp"
#include "Platform/Clock.hpp"
#include "Platform/Event.hpp"
#include "Platform/HIDEvent.hpp"
#include "Platform/Registry.hpp"
#include "Skiro/Tap/HIDEvent.hpp"
#include "SkiroEngine/ScrollSample.hpp"

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace skiro {

// A few seconds of what the taps see of each scroll and what applications then receive, for a
// problem report: JSON Lines, the header first, then one line per scroll, per delivered scroll
// and per note in the order they came, then the facts about every device seen.
//
// Made, filled and taken on the tap thread; written elsewhere once it has left the tap.
class Recording {
public:
    using Line = corvale::json::Json;

    // Fields never dumped by `raw`, so that a recording names no process or window: the target
    // process serial number, target process ID, source process ID and the two windows under
    // the pointer.
    static constexpr std::array<platform::EventField, 5> leftOut{39, 40, 41, 91, 92};

    // What the line builders read an event with besides the event itself.
    struct Readers {
        const platform::AppFramework& app;
        const HIDEvent::Functions& hid;
    };

    // `header` with "kind" "header" is the first line; a header that is not an object counts
    // as an empty one. The clock dates the lines ("at") and must outlive the filling; the
    // registry gives the senders' facts when the recording is written and must outlive that.
    Recording(Line header, const platform::Clock& clock, const platform::Registry& registry);

    // Appends `line` with "at", milliseconds of uptime since the recording was made, and, for a
    // line with an event `time` (nanoseconds), "t": milliseconds of event time since the first
    // timed line.
    void add(Line line, std::optional<std::uint64_t> time);

    // The number of a sender in this recording (1, 2, 3 in order of first sight). `known` is
    // the kind the tap already knows, if any. Never asks the registry: the tap thread calls it
    // per scroll, and the registry can be slow.
    int sender(std::uint64_t id, std::optional<Device> known);

    // The facts of every sender, by number as decimal text: the registry's when it knows the
    // sender, else only the kind the tap knew ("unknown" when it knew none). Asks the
    // registry: never on the tap thread.
    Line senderFacts() const;

    // Appends the senders line and writes every line to "record-yyyyMMdd-HHmmss.jsonl" (local
    // time) in the caches' "recordings" folder, replacing a file of that name. Nothing when the
    // folder or the file could not be made. A line that is not an object is left out; a
    // non-finite real number anywhere is written as its text, so that every line is JSON.
    std::optional<std::filesystem::path> write();

    // The file's content if it were written now, the senders line last; the recording is
    // left as it is.
    std::string text() const;

    const std::vector<Line>& lines() const { return lines_; }
    std::optional<std::uint64_t> firstTimestamp() const { return firstTimestamp_; }
    std::uint64_t started() const { return started_; }
    const std::map<std::uint64_t, int>& senders() const { return senders_; }

    // --- Line builders: pure, they read the event and change nothing.

    // {"line": [11, 12], "fixed": [93, 94], "point": [96, 97]}: vertical first.
    static Line deltas(const platform::Event& event);
    // The event as applications read it; an empty object when they cannot.
    static Line ns(const platform::Event& event, const platform::AppFramework& app);
    // [field, integer, real] for every field 0 to 255 but `leftOut`, skipping those that read
    // 0 both ways; a non-finite real is written as its text.
    static Line raw(const platform::Event& event);
    // One scroll as the tap receives it. `flip` is what will be turned; `timestamp` the event's
    // time in nanoseconds; `hid` the HID event behind it, when there is one.
    static Line scroll(const platform::Event& event, const ScrollSample& sample, Flip flip,
                       platform::IOHIDEvent* hid, std::uint64_t timestamp, Readers readers);
    // [vertical, horizontal] of a HID event, both 0 without the function to read them.
    static Line hidValues(platform::IOHIDEvent* hid, const HIDEvent::Functions& functions);

    // "v", "h", "vh" or "".
    static std::string flipText(Flip flip);
    // A real number, or its text ("nan", "inf", "-inf") when it is not finite.
    static Line real(double value);

private:
    // Each object in `lines` as one line of sorted compact JSON, made finite in place; the
    // others are left out.
    static std::string text(std::vector<Line>& lines);
    Line sendersLine() const;

    struct Sender {
        std::uint64_t id = 0;
        std::optional<Device> known;
    };

    const platform::Clock& clock_;
    const platform::Registry& registry_;
    std::vector<Line> lines_;
    std::optional<std::uint64_t> firstTimestamp_;
    std::uint64_t started_;
    std::map<std::uint64_t, int> senders_;
    std::vector<Sender> inOrder_; // by number - 1
};

} // namespace skiro
