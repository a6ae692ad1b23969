#include "Skiro/Plot/RecordingPlot.hpp"

#include "SkiroEngine/ScrollSample.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <unordered_map>

namespace skiro {

namespace {

using corvale::json::Json;
using Picture = PlotPicture;

double valueOf(const Json& line, std::string_view key, double otherwise) {
    const Json* value = corvale::json::member(line, key);
    return value != nullptr && value->is_number() ? value->get<double>() : otherwise;
}

// Whole numbers only: anything else reads as `otherwise`.
std::int64_t integerOf(const Json& line, std::string_view key, std::int64_t otherwise) {
    const Json* value = corvale::json::member(line, key);
    return value != nullptr && value->is_number_integer() ? value->get<std::int64_t>() : otherwise;
}

bool flag(const Json& line, std::string_view key, bool otherwise) {
    const Json* value = corvale::json::member(line, key);
    return value != nullptr && value->is_boolean() ? value->get<bool>() : otherwise;
}

std::string text(const Json& line, std::string_view key) {
    const Json* value = corvale::json::member(line, key);
    return value != nullptr && value->is_string() ? value->get<std::string>() : std::string();
}

ScrollDeltas deltasOf(const Json& line, std::string_view key, const ScrollDeltas& otherwise) {
    const Json* value = corvale::json::member(line, key);
    std::optional<ScrollDeltas> deltas;
    if (value != nullptr) {
        deltas = RecordingReader::deltas(*value);
    }
    return deltas.value_or(otherwise);
}

std::string noteText(const Json& line, const std::string& kind) {
    if (kind == "system") {
        return flag(line, "natural", true) ? "system direction: natural"
                                           : "system direction: standard";
    }
    const std::string said = text(line, "text");
    return said.empty() ? kind : kind + ": " + said;
}

const AxisDeltas& onAxis(const ScrollDeltas& deltas, Axis axis) {
    return axis == Axis::vertical ? deltas.vertical : deltas.horizontal;
}

// What a band shows of one axis: points for continuous scrolls, lines for wheels, on one scale.
double shown(const AxisDeltas& deltas, bool continuous) {
    return continuous ? static_cast<double>(deltas.point)
                      : static_cast<double>(deltas.line) * RecordingPlot::pointsPerLine;
}

// A round number at least `value`: one of `steps` times a power of ten.
double niceCeiling(double value, std::initializer_list<double> steps = {1, 2, 2.5, 5}) {
    if (!(value > 0) || !std::isfinite(value)) {
        return 1;
    }
    const double power = std::pow(10.0, std::floor(std::log10(value)));
    for (double step : steps) {
        if (step * power >= value * (1 - 1e-12)) {
            return step * power;
        }
    }
    return 10 * power;
}

std::string decimal(double value, int decimals) {
    std::array<char, 64> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%.*f", decimals, value);
    std::string written = buffer.data();
    return written == "-0" ? "0" : written;
}

// Just enough decimals to tell ticks `step` apart.
int decimalsFor(double step) {
    int decimals = 0;
    while (decimals < 6 && std::abs(step * std::pow(10.0, decimals) -
                                    std::round(step * std::pow(10.0, decimals))) > 1e-9) {
        ++decimals;
    }
    return decimals;
}

std::string directionsText(const std::optional<Directions>& directions) {
    if (!directions) {
        return "every device follows the system";
    }
    auto pair = [](Direction vertical, Direction horizontal) {
        return std::string(toString(vertical)) + "/" + std::string(toString(horizontal));
    };
    return "trackpad " + pair(directions->trackpadVertical, directions->trackpadHorizontal) +
           ", mouse " + pair(directions->mouseVertical, directions->mouseHorizontal) +
           " (vertical/horizontal)";
}

std::string senderText(const PlotTrace& trace, Device device, int sender) {
    std::string said = sender == 0 ? std::string("no sender") : "sender " + std::to_string(sender);
    said += ": taken for a " + std::string(toString(device));
    const auto found = trace.senders.find(sender);
    if (found != trace.senders.end()) {
        std::string facts = text(found->second, "kind");
        for (const char* key : {"class", "Transport"}) {
            const std::string fact = text(found->second, key);
            if (!fact.empty()) {
                facts += (facts.empty() ? "" : ", ") + fact;
            }
        }
        if (!facts.empty()) {
            said += " (registry: " + facts + ")";
        }
    }
    return said;
}

// Milliseconds: the longest time a recording's lines are taken to span.
constexpr double longest = 1e11;

// Layout constants, in pixels.
constexpr double margin = 90;
constexpr double captionTop = 34;
constexpr double captionLine = 20;
constexpr double bandTitle = 24;
constexpr double stripHeight = 34;
constexpr double bandHeight = 260;
constexpr double bandGap = 16;
constexpr double timeAxisHeight = 50;
constexpr double legendLine = 22;
constexpr double markRoom = 6;

} // namespace

Colour RecordingPlot::Palette::device(Device device, int sender) {
    static constexpr std::array<Colour, 3> trackpads{Colour{31, 111, 209}, Colour{0, 160, 200},
                                                     Colour{60, 60, 170}};
    static constexpr std::array<Colour, 3> mice{Colour{230, 120, 0}, Colour{170, 110, 40},
                                                Colour{200, 170, 0}};
    const auto& shades = device == Device::trackpad ? trackpads : mice;
    return shades[static_cast<std::size_t>(std::max(sender - 1, 0)) % shades.size()];
}

PlotTrace RecordingPlot::trace(const RecordingFile& file, std::string_view all) {
    PlotTrace trace;
    trace.header = file.header;
    trace.senders = file.senders;

    // Notes carry only the recording's own clock ("at"); event time is offset from it by the
    // timed line nearest before, or the first one when none came before.
    struct Pending {
        std::size_t note;
        double at;
        std::optional<double> offset;
    };
    std::vector<Pending> pending;
    std::optional<double> offset;
    std::optional<double> firstOffset;
    std::unordered_map<std::uint64_t, std::size_t> byTimestamp;

    std::size_t number = 0;
    while (!all.empty()) {
        const std::size_t end = all.find('\n');
        const std::string_view row = all.substr(0, end);
        all = end == std::string_view::npos ? std::string_view{} : all.substr(end + 1);
        number += 1;
        const Json line = Json::parse(row.begin(), row.end(), nullptr, false);
        if (line.is_discarded() || !line.is_object()) {
            continue;
        }
        const std::string kind = text(line, "kind");
        if (kind == "header" || kind == "senders") {
            continue;
        }
        // Within a few years either way, so that positions stay finite.
        const double t = std::clamp(valueOf(line, "t", 0), -longest, longest);
        if (corvale::json::member(line, "t") != nullptr &&
            corvale::json::member(line, "at") != nullptr) {
            offset = std::clamp(valueOf(line, "at", 0), -longest, longest) - t;
            firstOffset = firstOffset.value_or(*offset);
        }
        const Json* timestamp = corvale::json::member(line, "timestamp");
        const std::uint64_t time = timestamp != nullptr && timestamp->is_number_unsigned()
                                       ? timestamp->get<std::uint64_t>()
                                       : 0;
        if (kind == "scroll") {
            PlotTrace::Scroll scroll;
            scroll.line = number;
            scroll.t = t;
            scroll.device = text(line, "device") == "mouse" ? Device::mouse : Device::trackpad;
            scroll.continuous = flag(line, "continuous", false);
            scroll.phase = integerOf(line, "phase", 0);
            scroll.momentum = integerOf(line, "momentum", 0);
            // The reader has checked that a sender is a number an int holds.
            scroll.sender = static_cast<int>(integerOf(line, "sender", 0));
            scroll.before = deltasOf(line, "before", {});
            scroll.after = deltasOf(line, "after", scroll.before);
            const std::string flip = text(line, "flip");
            scroll.turned = {flip.find('v') != std::string::npos,
                             flip.find('h') != std::string::npos};
            scroll.readBackFailed = !flag(line, "readBack", true);
            scroll.shift = flag(line, "shift", false);
            byTimestamp[time] = trace.scrolls.size();
            trace.scrolls.push_back(scroll);
        } else if (kind == "delivered") {
            PlotTrace::Delivered delivered;
            delivered.t = t;
            delivered.deltas = deltasOf(line, "deltas", {});
            const auto scroll = byTimestamp.find(time);
            if (scroll != byTimestamp.end()) {
                delivered.continuous = trace.scrolls[scroll->second].continuous;
                delivered.wrote = trace.scrolls[scroll->second].after;
            } else if (const Json* ns = corvale::json::member(line, "ns")) {
                delivered.continuous = flag(*ns, "precise", false);
            }
            trace.delivered.push_back(delivered);
        } else {
            pending.push_back({trace.notes.size(),
                               std::clamp(valueOf(line, "at", 0), -longest, longest), offset});
            trace.notes.push_back({0, noteText(line, kind)});
        }
    }
    for (const Pending& note : pending) {
        trace.notes[note.note].t = note.at - note.offset.value_or(firstOffset.value_or(0));
    }
    return trace;
}

PlotPicture RecordingPlot::layout(const PlotTrace& trace, const Options& options) {
    Picture picture;
    picture.width = options.width;

    // --- Words.
    double seconds = 0;
    for (const PlotTrace::Scroll& scroll : trace.scrolls) {
        seconds = std::max(seconds, scroll.t / 1000);
    }
    picture.title = (options.title.empty() ? std::string("Recording") : options.title) + ": " +
                    std::to_string(trace.scrolls.size()) + " scrolls, " +
                    std::to_string(trace.delivered.size()) + " delivered, over " +
                    decimal(seconds, seconds < 10 ? 3 : 1) + " s";
    const RecordingFile::Header& header = trace.header;
    picture.caption.push_back(
        std::string("System direction at the start: ") +
        (header.systemNatural ? "natural" : "standard") + ".  Skiro's directions: " +
        directionsText(header.directions) + "." + (header.paused ? "  Paused." : "  Not paused.") +
        "  Tap: " + (header.tap.empty() ? std::string("none") : header.tap) + ".  Skiro " +
        (header.version.empty() ? std::string("?") : header.version) + ", macOS " +
        (header.macOS.empty() ? std::string("?") : header.macOS) + ".");
    if (options.replayed) {
        const std::string how =
            options.directions ? "with " + directionsText(*options.directions) : "as recorded";
        const std::size_t differ = options.differing.size();
        picture.caption.push_back(
            "Replayed " + how + ": " +
            (differ == 0 ? "every scroll decided as recorded."
                         : std::to_string(differ) + " of " + std::to_string(trace.scrolls.size()) +
                               " scrolls decided differently, drawn in magenta."));
    }

    // --- Time.
    double first = 0;
    double last = 0;
    auto widen = [&](double t) {
        first = std::min(first, t);
        last = std::max(last, t);
    };
    for (const PlotTrace::Scroll& scroll : trace.scrolls) {
        widen(scroll.t);
    }
    for (const PlotTrace::Delivered& delivered : trace.delivered) {
        widen(delivered.t);
    }
    for (const PlotTrace::Note& note : trace.notes) {
        widen(note.t);
    }
    if (last - first < 1) {
        last = first + 1;
    }
    const double plotLeft = margin;
    const double plotWidth = options.width - 2 * margin;
    // A little room at both ends, so that the first and last marks are whole.
    const double pad = (last - first) * 0.02;
    auto xOf = [&](double t) {
        return plotLeft + (t - first + pad) / (last - first + 2 * pad) * plotWidth;
    };

    // --- Bands.
    double top = captionTop + captionLine * static_cast<double>(picture.caption.size()) + 14;
    for (Axis axis : allCases<Axis>) {
        double largest = 0;
        for (const PlotTrace::Scroll& scroll : trace.scrolls) {
            largest =
                std::max({largest, std::abs(shown(onAxis(scroll.before, axis), scroll.continuous)),
                          std::abs(shown(onAxis(scroll.after, axis), scroll.continuous))});
        }
        for (const PlotTrace::Delivered& delivered : trace.delivered) {
            largest = std::max(
                largest, std::abs(shown(onAxis(delivered.deltas, axis), delivered.continuous)));
        }
        // Some room above the largest, so that no mark sits on the band's edge.
        const double scale =
            niceCeiling(std::max(largest * 1.15, pointsPerLine), {1, 1.5, 2, 2.5, 3, 4, 5, 6, 8});

        Picture::Band band;
        band.axis = axis;
        band.title = std::string(axis == Axis::vertical ? "Vertical" : "Horizontal") +
                     " deltas: \u25CB as the device made them, \u25CF as the tap passed them on "
                     "to applications; above the middle line positive, below negative";
        band.strip = {plotLeft, top + bandTitle, plotWidth, stripHeight};
        band.area = {plotLeft, band.strip.bottom(), plotWidth, bandHeight};
        band.zero = band.area.y + bandHeight / 2;
        const double half = bandHeight / 2 - markRoom;
        const int decimals = decimalsFor(scale / 2 / pointsPerLine);
        for (double fraction : {1.0, 0.5, 0.0, -0.5, -1.0}) {
            const double y = band.zero - fraction * half;
            const double value = fraction * scale;
            band.points.push_back({y, decimal(value, decimalsFor(scale / 2))});
            band.lines.push_back({y, decimal(value / pointsPerLine, decimals)});
        }
        picture.bands.push_back(band);
        top = band.area.bottom() + bandGap;

        auto yOf = [&, scale, zero = band.zero](double value) {
            return zero - value / scale * half;
        };
        for (const PlotTrace::Scroll& scroll : trace.scrolls) {
            const AxisDeltas& before = onAxis(scroll.before, axis);
            const AxisDeltas& after = onAxis(scroll.after, axis);
            const bool turned =
                axis == Axis::vertical ? scroll.turned.vertical : scroll.turned.horizontal;
            const bool differs = options.differing.contains(scroll.line);
            // Scrolls with nothing on this axis would only crowd its middle line; a scroll
            // decided differently is shown in the vertical band even so.
            const bool moves = before != AxisDeltas::zero || after != AxisDeltas::zero;
            const bool elsewhere = onAxis(scroll.before, Axis::vertical) != AxisDeltas::zero ||
                                   onAxis(scroll.before, Axis::horizontal) != AxisDeltas::zero;
            if (!moves && !turned && !(differs && axis == Axis::vertical && !elsewhere)) {
                continue;
            }
            picture.scrolls.push_back(
                {scroll.line, axis, xOf(scroll.t), yOf(shown(before, scroll.continuous)),
                 yOf(shown(after, scroll.continuous)),
                 differs ? Palette::differs : Palette::device(scroll.device, scroll.sender), turned,
                 scroll.readBackFailed && turned, differs, scroll.shift});
            picture.bands.back().empty = false;
        }
        for (const PlotTrace::Delivered& delivered : trace.delivered) {
            const AxisDeltas& deltas = onAxis(delivered.deltas, axis);
            const bool agrees =
                !delivered.wrote || shown(onAxis(*delivered.wrote, axis), delivered.continuous) ==
                                        shown(deltas, delivered.continuous);
            if (deltas == AxisDeltas::zero && agrees) {
                continue;
            }
            picture.delivered.push_back(
                {axis, xOf(delivered.t), yOf(shown(deltas, delivered.continuous)), agrees});
            picture.bands.back().empty = false;
        }
    }

    // --- Spans of gestures and momentum, per sender: from a start to an end, or to the
    // sender's last scroll when the recording stopped first.
    struct Open {
        std::optional<double> gesture;
        std::optional<double> momentum;
        double last = 0;
    };
    std::map<int, Open> open;
    auto close = [&](std::optional<double>& from, double to, Picture::SpanKind kind) {
        if (from) {
            picture.spans.push_back({kind, xOf(*from), xOf(to)});
            from.reset();
        }
    };
    for (const PlotTrace::Scroll& scroll : trace.scrolls) {
        Open& sender = open[scroll.sender];
        sender.last = scroll.t;
        if (!scroll.continuous) {
            continue;
        }
        using Phase = ScrollSample::Phase;
        using Momentum = ScrollSample::Momentum;
        if ((scroll.phase == Phase::began || scroll.phase == Phase::mayBegin) && !sender.gesture) {
            close(sender.momentum, scroll.t, Picture::SpanKind::momentum);
            sender.gesture = scroll.t;
        } else if (scroll.phase == Phase::ended || scroll.phase == Phase::canceled) {
            close(sender.gesture, scroll.t, Picture::SpanKind::gesture);
        }
        if (scroll.momentum == Momentum::began && !sender.momentum) {
            close(sender.gesture, scroll.t, Picture::SpanKind::gesture);
            sender.momentum = scroll.t;
        } else if (scroll.momentum == Momentum::ended) {
            close(sender.momentum, scroll.t, Picture::SpanKind::momentum);
        }
    }
    for (auto& [ignored, sender] : open) {
        close(sender.gesture, sender.last, Picture::SpanKind::gesture);
        close(sender.momentum, sender.last, Picture::SpanKind::momentum);
    }

    // --- Notes, and where each run of one sender's scrolls starts.
    const Picture::Band& upper = picture.bands.front();
    for (const PlotTrace::Note& note : trace.notes) {
        picture.notes.push_back({xOf(note.t), upper.strip.y + 12, note.text});
    }
    // Labels that would overlap the one before are left out: the legend has every sender.
    constexpr double labelWidth = 80;
    std::optional<int> previous;
    double labelled = -labelWidth;
    for (const PlotTrace::Scroll& scroll : trace.scrolls) {
        if (scroll.sender != previous && xOf(scroll.t) - labelled >= labelWidth) {
            labelled = xOf(scroll.t);
            picture.senders.push_back(
                {std::min(xOf(scroll.t), upper.area.right() - labelWidth), upper.area.bottom() - 6,
                 scroll.sender == 0 ? std::string("no sender")
                                    : "sender " + std::to_string(scroll.sender)});
            previous = scroll.sender;
        }
    }

    // --- The time axis.
    picture.timeAxis = top - bandGap;
    const double step = niceCeiling((last - first) / 1000 / 10);
    const int decimals = decimalsFor(step);
    const double firstTick = std::ceil(first / 1000 / step);
    for (int i = 0; i <= 20; ++i) {
        const double tick = (firstTick + i) * step;
        if (tick > last / 1000 + step * 1e-6) {
            break;
        }
        picture.times.push_back({xOf(tick * 1000), decimal(tick, decimals)});
    }

    // --- The legend, in two columns.
    std::vector<Picture::LegendEntry> entries;
    std::set<std::pair<int, int>> seen;
    for (const PlotTrace::Scroll& scroll : trace.scrolls) {
        if (seen.insert({scroll.sender, static_cast<int>(scroll.device)}).second) {
            entries.push_back({Picture::Symbol::dot, Palette::device(scroll.device, scroll.sender),
                               senderText(trace, scroll.device, scroll.sender)});
        }
    }
    if (!options.differing.empty()) {
        entries.push_back({Picture::Symbol::dot, Palette::differs,
                           "decided differently by the replay than in the recording"});
    }
    entries.push_back({Picture::Symbol::ring, Palette::delivered,
                       "as the device made it; a line joins it to \u25CF when the tap turned it"});
    entries.push_back({Picture::Symbol::turned, Colour{},
                       "the tap turned this axis of the scroll (above the band)"});
    entries.push_back({Picture::Symbol::shift, Colour{},
                       "shift was held (a wheel turned with shift alone scrolls sideways)"});
    entries.push_back({Picture::Symbol::delivered, Palette::delivered,
                       "as the application under the pointer received it"});
    entries.push_back(
        {Picture::Symbol::turnedBack, Palette::failed,
         "received otherwise than the tap wrote it: something after the tap changed it"});
    entries.push_back({Picture::Symbol::readBackFailed, Palette::failed,
                       "read-back failed: the event did not keep what the tap wrote"});
    entries.push_back({Picture::Symbol::gesture, Palette::gesture, "a gesture: fingers on"});
    entries.push_back({Picture::Symbol::momentum, Palette::momentum,
                       "momentum: the scrolling that goes on after the fingers lift"});
    entries.push_back({Picture::Symbol::note, Palette::note,
                       "a note: a change of the system's direction or another event"});
    entries.push_back({Picture::Symbol::none, Colour{},
                       "wheels are drawn in lines (right scale), at " + decimal(pointsPerLine, 0) +
                           " points a line"});
    const double legendTop = picture.timeAxis + timeAxisHeight;
    const double column = plotWidth / 2;
    const std::size_t rows = (entries.size() + 1) / 2;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        entries[i].x = plotLeft + (i < rows ? 0 : column);
        entries[i].y = legendTop + legendLine * static_cast<double>(i % rows);
    }
    picture.legend = std::move(entries);
    picture.height = static_cast<int>(legendTop + legendLine * static_cast<double>(rows) + 16);
    return picture;
}

} // namespace skiro
