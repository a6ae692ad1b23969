#pragma once

#include "CorvaleCore/Json.hpp"
#include "Skiro/Tap/RecordingReader.hpp"
#include "SkiroCore/ScrollDeltas.hpp"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace skiro {

// What a recording's picture shows, read from its lines.
struct PlotTrace {
    struct Scroll {
        // The file's line number, as replays name differences.
        std::size_t line = 0;
        // Milliseconds of event time since the first timed line.
        double t = 0;
        // The device the tap took it for.
        Device device = Device::trackpad;
        bool continuous = false;
        std::int64_t phase = 0;
        std::int64_t momentum = 0;
        // The sender's number in the recording; 0 when the scroll had no HID event.
        int sender = 0;
        ScrollDeltas before;
        // What the tap wrote; the same as `before` when it wrote nothing.
        ScrollDeltas after;
        Flip turned;
        bool readBackFailed = false;
        bool shift = false;
    };

    // A scroll as the application under the pointer received it.
    struct Delivered {
        double t = 0;
        ScrollDeltas deltas;
        bool continuous = false;
        // What the tap wrote into the scroll with the same time, when there was one.
        std::optional<ScrollDeltas> wrote;
    };

    // A line that is neither a scroll nor a delivery: a change of the system's direction, or
    // another note.
    struct Note {
        double t = 0;
        std::string text;
    };

    RecordingFile::Header header;
    std::map<int, corvale::json::Json> senders;
    std::vector<Scroll> scrolls;
    std::vector<Delivered> delivered;
    std::vector<Note> notes;
};

struct Colour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const Colour&) const = default;
};

// The picture's geometry in pixels, from the top left corner; drawing it only renders this.
struct PlotPicture {
    struct Rect {
        double x = 0;
        double y = 0;
        double width = 0;
        double height = 0;
        double right() const { return x + width; }
        double bottom() const { return y + height; }
        bool operator==(const Rect&) const = default;
    };

    struct Tick {
        // x on the time axis, y on a band's scale.
        double at = 0;
        std::string label;
    };

    // One axis's deltas: zero in the middle, positive above.
    struct Band {
        Axis axis = Axis::vertical;
        std::string title;
        Rect area;
        // Above the area: where turned scrolls and read-back failures are marked.
        Rect strip;
        double zero = 0;
        // Nothing moved on this axis.
        bool empty = true;
        // Points at the left, lines at the right.
        std::vector<Tick> points;
        std::vector<Tick> lines;
    };

    enum class SpanKind { gesture, momentum };
    // Shaded over both bands.
    struct Span {
        SpanKind kind = SpanKind::gesture;
        double from = 0;
        double to = 0;
    };

    struct ScrollMark {
        std::size_t line = 0;
        Axis band = Axis::vertical;
        double x = 0;
        // As the device made it, and as the tap passed it on.
        double before = 0;
        double after = 0;
        Colour colour;
        // The tap turned this axis: marked in the band's strip.
        bool turned = false;
        bool readBackFailed = false;
        // A replay decided this scroll differently.
        bool differs = false;
        // Shift was held: a wheel turned with it scrolls sideways.
        bool shift = false;
    };

    struct DeliveredMark {
        Axis band = Axis::vertical;
        double x = 0;
        double y = 0;
        // Arrived as the tap wrote it; false when something after the tap changed it.
        bool agrees = true;
    };

    struct Label {
        double x = 0;
        double y = 0;
        std::string text;
    };

    enum class Symbol {
        none,
        dot,
        ring,
        delivered,
        turnedBack,
        turned,
        shift,
        readBackFailed,
        gesture,
        momentum,
        note
    };
    struct LegendEntry {
        Symbol symbol = Symbol::dot;
        Colour colour;
        std::string text;
        double x = 0;
        double y = 0;
    };

    int width = 0;
    int height = 0;
    std::string title;
    // The header's facts, and what a replay found.
    std::vector<std::string> caption;
    std::vector<Band> bands;
    // The time axis under the last band.
    double timeAxis = 0;
    std::vector<Tick> times;
    std::vector<Span> spans;
    std::vector<ScrollMark> scrolls;
    std::vector<DeliveredMark> delivered;
    // A note's vertical line crosses every band; its text is written in the strip.
    std::vector<Label> notes;
    // Where a run of one sender's scrolls starts.
    std::vector<Label> senders;
    std::vector<LegendEntry> legend;
};

namespace RecordingPlot {

// The colours the picture is drawn in.
namespace Palette {
inline constexpr Colour differs{200, 0, 160};
inline constexpr Colour failed{214, 39, 40};
inline constexpr Colour delivered{70, 70, 70};
inline constexpr Colour gesture{226, 236, 248};
inline constexpr Colour momentum{250, 236, 214};
inline constexpr Colour note{40, 140, 60};
// The device the tap took a scroll for, shaded by its sender's number.
Colour device(Device device, int sender);
} // namespace Palette

// How wheel lines are drawn on the points scale of continuous scrolls.
inline constexpr double pointsPerLine = 10;

struct Options {
    int width = 1600;
    // Usually the recording's file name.
    std::string title;
    // When the scrolls were replayed: the lines of those decided differently, and the
    // directions they were replayed with (absent as recorded; an absent inner value follows
    // the system).
    bool replayed = false;
    std::set<std::size_t> differing;
    std::optional<std::optional<Directions>> directions;
};

// The trace of a readable recording; `text` is the file `file` was read from.
PlotTrace trace(const RecordingFile& file, std::string_view text);

PlotPicture layout(const PlotTrace& trace, const Options& options);

} // namespace RecordingPlot

} // namespace skiro
