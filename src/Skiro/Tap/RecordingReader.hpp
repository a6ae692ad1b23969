#pragma once

#include "CorvaleCore/Json.hpp"
#include "Platform/Event.hpp"
#include "SkiroCore/ScrollDeltas.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skiro {

// A recording file read back: what replaying it needs, or the lines that keep it from being
// replayed. Strict: a recording with a damaged line is not replayed at all, since a scroll left
// out changes how the rest of its gesture is decided. Unknown keys and unknown kinds of line
// are ignored, so that older tools read newer recordings.
struct RecordingFile {
    struct Header {
        bool systemNatural = true;
        std::string tap = "hid";
        bool paused = false;
        // Absent: every device follows the system.
        std::optional<Directions> directions;
        std::string macOS;
        std::string version;
    };

    // One event field as the tap read it, both ways.
    struct RawField {
        platform::EventField field = 0;
        std::int64_t integer = 0;
        double real = 0;
    };

    struct Scroll {
        // Line numbers count from 1, as an editor shows them.
        std::size_t line = 0;
        std::vector<RawField> raw;
        std::uint64_t timestamp = 0;
        bool shift = false;
        bool shortcutKeys = false;
        // Whether the system turned it, as the application framework read it (the file's
        // "inverted"); false when the recording could not tell.
        bool systemTurned = false;
        // [vertical, horizontal] of the HID event, when there was one.
        std::optional<std::array<double, 2>> hid;
        // The sender's number in this recording.
        std::optional<int> sender;
        // What the tap decided and wrote.
        std::string flip;
        std::optional<ScrollDeltas> after;
    };

    // A change of the system's direction, before the scroll numbered `beforeScroll` (0-based).
    struct SystemChange {
        std::size_t line = 0;
        std::size_t beforeScroll = 0;
        bool natural = true;
    };

    struct Problem {
        std::size_t line = 0;
        std::string reason;
        bool operator==(const Problem&) const = default;
    };

    Header header;
    std::vector<Scroll> scrolls;
    std::vector<SystemChange> changes;
    // Each sender's registry facts, by its number.
    std::map<int, corvale::json::Json> senders;
    // Empty when the recording can be replayed.
    std::vector<Problem> problems;

    bool readable() const { return problems.empty(); }
};

namespace RecordingReader {

// Reads JSON Lines as `Recording::write` makes them. Never throws: anything wrong is a problem
// with its line number.
RecordingFile read(std::string_view text) noexcept;

// {"line": [v, h], "fixed": [v, h], "point": [v, h]}, or nothing when it is not that shape.
std::optional<ScrollDeltas> deltas(const corvale::json::Json& value);

} // namespace RecordingReader

} // namespace skiro
