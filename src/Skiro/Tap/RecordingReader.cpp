#include "Skiro/Tap/RecordingReader.hpp"

#include <cmath>
#include <exception>
#include <limits>

namespace skiro {

namespace {

using corvale::json::Json;

// What is wrong with one line; caught per line, never past `read`.
struct Damaged {
    std::string reason;
};

std::string named(std::string_view key) {
    return "\"" + std::string(key) + "\"";
}

bool flag(const Json& line, std::string_view key, bool otherwise) {
    const Json* value = corvale::json::member(line, key);
    if (value == nullptr) {
        return otherwise;
    }
    if (!value->is_boolean()) {
        throw Damaged{named(key) + " is not true or false"};
    }
    return value->get<bool>();
}

std::optional<std::int64_t> integer(const Json& value) {
    if (value.is_number_unsigned()) {
        const auto number = value.get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            return std::nullopt;
        }
        return static_cast<std::int64_t>(number);
    }
    if (value.is_number_integer()) {
        return value.get<std::int64_t>();
    }
    return std::nullopt;
}

// A real number, or the text a non-finite one is written as.
std::optional<double> real(const Json& value) {
    if (value.is_number()) {
        return value.get<double>();
    }
    if (value == "nan") {
        return std::numeric_limits<double>::quiet_NaN();
    }
    if (value == "inf" || value == "-inf") {
        const double infinity = std::numeric_limits<double>::infinity();
        return value == "inf" ? infinity : -infinity;
    }
    return std::nullopt;
}

std::string text(const Json& line, std::string_view key, std::string otherwise) {
    const Json* value = corvale::json::member(line, key);
    if (value == nullptr) {
        return otherwise;
    }
    if (!value->is_string()) {
        throw Damaged{named(key) + " is not text"};
    }
    return value->get<std::string>();
}

RecordingFile::Header header(const Json& line) {
    RecordingFile::Header header;
    header.systemNatural = flag(line, "systemNatural", header.systemNatural);
    header.tap = text(line, "tap", header.tap);
    header.paused = flag(line, "paused", header.paused);
    header.macOS = text(line, "macOS", "");
    header.version = text(line, "version", "");
    if (const Json* directions = corvale::json::member(line, "directions");
        directions != nullptr && *directions != "system") {
        try {
            header.directions = corvale::json::decode<Directions>(*directions, {"directions"});
        } catch (const corvale::json::DecodingError& error) {
            throw Damaged{error.description()};
        }
    }
    return header;
}

std::vector<RecordingFile::RawField> raw(const Json& line) {
    const Json* list = corvale::json::member(line, "raw");
    if (list == nullptr || !list->is_array()) {
        throw Damaged{"\"raw\" is not a list"};
    }
    std::vector<RecordingFile::RawField> fields;
    fields.reserve(list->size());
    for (const Json& triple : *list) {
        std::optional<std::int64_t> field;
        std::optional<std::int64_t> value;
        std::optional<double> number;
        if (triple.is_array() && triple.size() == 3) {
            field = integer(triple[0]);
            value = integer(triple[1]);
            number = real(triple[2]);
        }
        if (!field || *field < 0 || *field >= platform::field::count || !value || !number) {
            throw Damaged{"\"raw\" holds something that is not [field, integer, real]"};
        }
        fields.push_back({static_cast<platform::EventField>(*field), *value, *number});
    }
    return fields;
}

RecordingFile::Scroll scroll(const Json& line, std::size_t number) {
    RecordingFile::Scroll scroll;
    scroll.line = number;
    scroll.raw = raw(line);

    const Json* timestamp = corvale::json::member(line, "timestamp");
    if (timestamp == nullptr || !timestamp->is_number_unsigned()) {
        throw Damaged{"\"timestamp\" is not a count of nanoseconds"};
    }
    scroll.timestamp = timestamp->get<std::uint64_t>();

    const Json* flip = corvale::json::member(line, "flip");
    if (flip == nullptr || !(*flip == "" || *flip == "v" || *flip == "h" || *flip == "vh")) {
        throw Damaged{"\"flip\" is not \"\", \"v\", \"h\" or \"vh\""};
    }
    scroll.flip = flip->get<std::string>();

    scroll.shift = flag(line, "shift", false);
    scroll.shortcutKeys = flag(line, "shortcutKeys", false);
    if (const Json* ns = corvale::json::member(line, "ns")) {
        if (!ns->is_object()) {
            throw Damaged{"\"ns\" is not an object"};
        }
        scroll.systemTurned = flag(*ns, "inverted", false);
    }
    if (const Json* hid = corvale::json::member(line, "hid")) {
        std::optional<double> vertical;
        std::optional<double> horizontal;
        if (hid->is_array() && hid->size() == 2) {
            vertical = real((*hid)[0]);
            horizontal = real((*hid)[1]);
        }
        if (!vertical || !horizontal) {
            throw Damaged{"\"hid\" is not [vertical, horizontal]"};
        }
        scroll.hid = std::array<double, 2>{*vertical, *horizontal};
    }
    if (const Json* sender = corvale::json::member(line, "sender")) {
        std::optional<std::int64_t> value = integer(*sender);
        if (!value || *value < 1 || *value > std::numeric_limits<int>::max()) {
            throw Damaged{"\"sender\" is not a sender's number"};
        }
        scroll.sender = static_cast<int>(*value);
    }
    if (const Json* after = corvale::json::member(line, "after")) {
        scroll.after = RecordingReader::deltas(*after);
        if (!scroll.after) {
            throw Damaged{"\"after\" is not deltas"};
        }
    }
    return scroll;
}

std::map<int, Json> senders(const Json& line) {
    const Json* all = corvale::json::member(line, "senders");
    if (all == nullptr || !all->is_object()) {
        throw Damaged{"\"senders\" is not an object"};
    }
    std::map<int, Json> found;
    for (const auto& [key, facts] : all->items()) {
        int number = 0;
        for (char digit : key) {
            if (digit < '0' || digit > '9' || number > 100'000) {
                number = 0;
                break;
            }
            number = number * 10 + (digit - '0');
        }
        if (number < 1 || !facts.is_object()) {
            throw Damaged{"sender " + named(key) + " is not a number with facts"};
        }
        found.emplace(number, facts);
    }
    return found;
}

void readLines(std::string_view text, RecordingFile& file) {
    std::size_t number = 0;
    std::optional<std::size_t> sendersLine;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view row = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        number += 1;
        try {
            const Json line = Json::parse(row.begin(), row.end(), nullptr, false);
            if (line.is_discarded() || !line.is_object()) {
                throw Damaged{"not a JSON object"};
            }
            const std::string kind = line.contains("kind") && line["kind"].is_string()
                                         ? line["kind"].get<std::string>()
                                         : std::string();
            if (number == 1) {
                if (kind != "header") {
                    throw Damaged{"the first line is not the header"};
                }
                file.header = header(line);
            } else if (sendersLine) {
                throw Damaged{"comes after the senders line"};
            } else if (kind == "header") {
                throw Damaged{"a second header"};
            } else if (kind == "scroll") {
                file.scrolls.push_back(scroll(line, number));
            } else if (kind == "senders") {
                file.senders = senders(line);
                sendersLine = number;
            } else if (kind == "system") {
                const Json* natural = corvale::json::member(line, "natural");
                if (natural == nullptr || !natural->is_boolean()) {
                    throw Damaged{"a change of the system's direction without \"natural\""};
                }
                file.changes.push_back({number, file.scrolls.size(), natural->get<bool>()});
            }
            // Delivered lines, other notes and kinds this reader does not know change nothing.
        } catch (const Damaged& damaged) {
            file.problems.push_back({number, damaged.reason});
        }
    }
    if (number == 0) {
        file.problems.push_back({1, "the file is empty"});
    } else if (!sendersLine) {
        file.problems.push_back({number + 1, "the senders line is missing: the file was cut"});
    }
    for (const RecordingFile::Scroll& each : file.scrolls) {
        if (sendersLine && each.sender && !file.senders.contains(*each.sender)) {
            file.problems.push_back(
                {each.line, "sender " + std::to_string(*each.sender) + " has no facts"});
        }
    }
}

} // namespace

std::optional<ScrollDeltas> RecordingReader::deltas(const Json& value) {
    if (!value.is_object()) {
        return std::nullopt;
    }
    auto pair = [&](const char* key) -> const Json* {
        const Json* found = corvale::json::member(value, key);
        return found != nullptr && found->is_array() && found->size() == 2 ? found : nullptr;
    };
    const Json* line = pair("line");
    const Json* fixed = pair("fixed");
    const Json* point = pair("point");
    if (line == nullptr || fixed == nullptr || point == nullptr) {
        return std::nullopt;
    }
    ScrollDeltas deltas;
    AxisDeltas* axes[2] = {&deltas.vertical, &deltas.horizontal};
    for (std::size_t i = 0; i < 2; ++i) {
        std::optional<std::int64_t> lines = integer((*line)[i]);
        std::optional<double> fixedPoint = real((*fixed)[i]);
        std::optional<std::int64_t> points = integer((*point)[i]);
        if (!lines || !fixedPoint || !points) {
            return std::nullopt;
        }
        *axes[i] = AxisDeltas{*lines, *fixedPoint, *points};
    }
    return deltas;
}

RecordingFile RecordingReader::read(std::string_view text) noexcept {
    RecordingFile file;
    try {
        readLines(text, file);
    } catch (const std::exception& error) {
        // Out of memory or the like: the file is not replayed.
        file.problems.push_back({0, std::string("could not be read: ") + error.what()});
    }
    return file;
}

} // namespace skiro
