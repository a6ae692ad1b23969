#include "Skiro/Tap/Recording.hpp"

#include "CorvaleCore/Files.hpp"
#include "Skiro/Tap/ScrollFields.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <fstream>
#include <system_error>

namespace skiro {

namespace {

using Json = corvale::json::Json;

double milliseconds(std::int64_t nanoseconds) {
    return static_cast<double>(nanoseconds) / 1'000'000.0;
}

std::int64_t difference(std::uint64_t later, std::uint64_t earlier) {
    return static_cast<std::int64_t>(later - earlier);
}

// Non-finite reals become their text, at any depth.
void makeFinite(Json& value) {
    if (value.is_number_float()) {
        if (!std::isfinite(value.get<double>())) {
            value = Recording::real(value.get<double>());
        }
    } else if (value.is_structured()) {
        for (Json& element : value) {
            makeFinite(element);
        }
    }
}

// "yyyyMMdd-HHmmss" in local time.
std::string localStamp() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    const std::size_t length = std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return std::string(text, length);
}

} // namespace

Recording::Recording(Line header, const platform::Clock& clock, const platform::Registry& registry)
    : clock_(clock), registry_(registry), started_(clock.uptimeNanoseconds()) {
    if (!header.is_object()) {
        header = Line::object();
    }
    header["kind"] = "header";
    lines_.push_back(std::move(header));
}

void Recording::add(Line line, std::optional<std::uint64_t> time) {
    if (!line.is_object()) {
        // Kept as it came: `write` leaves it out.
        lines_.push_back(std::move(line));
        return;
    }
    line["at"] = milliseconds(difference(clock_.uptimeNanoseconds(), started_));
    if (time) {
        if (!firstTimestamp_) {
            firstTimestamp_ = *time;
        }
        line["t"] = milliseconds(difference(*time, *firstTimestamp_));
    }
    lines_.push_back(std::move(line));
}

int Recording::sender(std::uint64_t id, std::optional<Device> known) {
    if (auto seen = senders_.find(id); seen != senders_.end()) {
        return seen->second;
    }
    const int number = static_cast<int>(senders_.size()) + 1;
    senders_.emplace(id, number);
    inOrder_.push_back(Sender{id, known});
    return number;
}

Recording::Line Recording::senderFacts() const {
    Line all = Line::object();
    for (std::size_t i = 0; i < inOrder_.size(); ++i) {
        const Sender& sender = inOrder_[i];
        std::optional<HIDEvent::Device> found = HIDEvent::device(registry_, sender.id);
        Line facts = found && found->facts.is_object() ? found->facts : Line::object();
        std::optional<Device> kind = found ? std::optional(found->kind) : sender.known;
        facts["kind"] = kind ? std::string(toString(*kind)) : std::string("unknown");
        all[std::to_string(i + 1)] = std::move(facts);
    }
    return all;
}

Recording::Line Recording::sendersLine() const {
    return Line{{"kind", "senders"}, {"senders", senderFacts()}};
}

std::optional<std::filesystem::path> Recording::write() {
    lines_.push_back(sendersLine());

    std::filesystem::path folder;
    try {
        folder = corvale::applicationCaches() / "recordings";
    } catch (const corvale::FileError&) {
        return std::nullopt;
    }
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder, error)) {
        return std::nullopt;
    }

    const std::string content = text(lines_);
    const std::filesystem::path file = folder / ("record-" + localStamp() + ".jsonl");
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    if (!out) {
        return std::nullopt;
    }
    return file;
}

std::string Recording::text(std::vector<Line>& lines) {
    std::string content;
    for (Line& line : lines) {
        if (!line.is_object()) {
            continue;
        }
        makeFinite(line);
        content += corvale::json::encodeCompact(line);
        content += '\n';
    }
    return content;
}

std::string Recording::text() const {
    std::vector<Line> all = lines_;
    all.push_back(sendersLine());
    return text(all);
}

Recording::Line Recording::real(double value) {
    if (std::isnan(value)) {
        return "nan";
    }
    if (std::isinf(value)) {
        return value > 0 ? "inf" : "-inf";
    }
    return value;
}

Recording::Line Recording::deltas(const platform::Event& event) {
    const ScrollDeltas d = readDeltas(event);
    return Line{{"line", Line::array({d.vertical.line, d.horizontal.line})},
                {"fixed", Line::array({d.vertical.fixedPoint, d.horizontal.fixedPoint})},
                {"point", Line::array({d.vertical.point, d.horizontal.point})}};
}

Recording::Line Recording::ns(const platform::Event& event, const platform::AppFramework& app) {
    std::optional<platform::AppScrollEvent> scroll = app.scrollEvent(event);
    if (!scroll) {
        return Line::object();
    }
    return Line{{"precise", scroll->hasPreciseScrollingDeltas},
                {"inverted", scroll->systemTurned},
                {"scrollingDelta", Line::array({scroll->scrollingDeltaY, scroll->scrollingDeltaX})},
                {"delta", Line::array({scroll->deltaY, scroll->deltaX})},
                {"phase", scroll->phase},
                {"momentum", scroll->momentumPhase}};
}

Recording::Line Recording::raw(const platform::Event& event) {
    Line fields = Line::array();
    for (platform::EventField field = 0; field < platform::field::count; ++field) {
        if (std::find(leftOut.begin(), leftOut.end(), field) != leftOut.end()) {
            continue;
        }
        const std::int64_t integer = event.integerValue(field);
        const double value = event.doubleValue(field);
        if (integer == 0 && value == 0) {
            continue;
        }
        fields.push_back(Line::array({field, integer, real(value)}));
    }
    return fields;
}

Recording::Line Recording::hidValues(platform::IOHIDEvent* hid,
                                     const HIDEvent::Functions& functions) {
    return Line::array({functions.value(hid, HIDEvent::fieldScrollY),
                        functions.value(hid, HIDEvent::fieldScrollX)});
}

std::string Recording::flipText(Flip flip) {
    std::string text;
    if (flip.vertical) {
        text += 'v';
    }
    if (flip.horizontal) {
        text += 'h';
    }
    return text;
}

Recording::Line Recording::scroll(const platform::Event& event, const ScrollSample& sample,
                                  Flip flip, platform::IOHIDEvent* hid, std::uint64_t timestamp,
                                  Readers readers) {
    Line line{{"kind", "scroll"},
              {"continuous", sample.continuous},
              {"phase", sample.phase},
              {"momentum", sample.momentum},
              {"count", event.integerValue(platform::field::scrollWheelEventScrollCount)},
              {"shift", sample.shift},
              {"shortcutKeys", sample.shortcutKeys},
              {"device", sample.device == Device::mouse ? "mouse" : "trackpad"},
              {"flip", flipText(flip)},
              {"before", deltas(event)},
              {"ns", ns(event, readers.app)},
              {"raw", raw(event)},
              {"timestamp", timestamp}};
    if (hid != nullptr) {
        line["hid"] = hidValues(hid, readers.hid);
    }
    return line;
}

} // namespace skiro
