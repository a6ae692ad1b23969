#include "CorvaleCore/CrashReport.hpp"

#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/Files.hpp"
#include "CorvaleCore/Folders.hpp"
#include "CorvaleCore/Json.hpp"
#include "CorvaleCore/Utf8.hpp"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace corvale::CrashReport {

namespace {

using json::Json;

// `text` cut to `width` characters, or padded with spaces to that many; a character is a code
// point, so a cut never splits one.
std::string fitted(std::string_view text, std::size_t width) {
    std::u32string points = utf8::decodeReplacing(text);
    points.resize(width, U' ');
    return utf8::encode(points);
}

std::optional<std::string> string(const Json& object, std::string_view key) {
    const Json* value = json::member(object, key);
    if (value == nullptr || !value->is_string()) {
        return std::nullopt;
    }
    return value->get<std::string>();
}

std::string stringOrUnknown(const Json& object, std::string_view key) {
    return string(object, key).value_or("?");
}

// A whole number within 64 bits; a number with a fraction or beyond that range, or any other
// value, is absent.
std::optional<std::int64_t> integer(const Json& object, std::string_view key) {
    const Json* value = json::member(object, key);
    if (value == nullptr) {
        return std::nullopt;
    }
    if (value->is_number_unsigned()) {
        std::uint64_t number = value->get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
            return std::nullopt;
        }
        return static_cast<std::int64_t>(number);
    }
    if (value->is_number_integer()) {
        return value->get<std::int64_t>();
    }
    if (value->is_number_float()) {
        double number = value->get<double>();
        if (number >= -9.2233720368547758e18 && number < 9.2233720368547758e18 &&
            number == std::trunc(number)) {
            return static_cast<std::int64_t>(number);
        }
    }
    return std::nullopt;
}

const Json* object(const Json& parent, std::string_view key) {
    const Json* value = json::member(parent, key);
    return value != nullptr && value->is_object() ? value : nullptr;
}

const Json* array(const Json& parent, std::string_view key) {
    const Json* value = json::member(parent, key);
    return value != nullptr && value->is_array() ? value : nullptr;
}

std::optional<Json> parseObject(std::string_view text) {
    Json value = Json::parse(text, nullptr, false);
    if (value.is_discarded() || !value.is_object()) {
        return std::nullopt;
    }
    return value;
}

void addThread(std::vector<std::string>& lines, const Json& body) {
    const Json* threads = array(body, "threads");
    if (threads == nullptr) {
        return;
    }
    std::size_t index = 0;
    if (std::optional<std::int64_t> faulting = integer(body, "faultingThread")) {
        if (*faulting < 0) {
            return;
        }
        index = static_cast<std::size_t>(*faulting);
    } else {
        for (std::size_t i = 0; i < threads->size(); ++i) {
            const Json* triggered = json::member((*threads)[i], "triggered");
            if (triggered != nullptr && triggered->is_boolean() && triggered->get<bool>()) {
                index = i;
                break;
            }
        }
    }
    if (index >= threads->size() || !(*threads)[index].is_object()) {
        return;
    }
    const Json& thread = (*threads)[index];

    std::vector<std::string> images;
    if (const Json* used = array(body, "usedImages")) {
        for (const Json& image : *used) {
            images.push_back(stringOrUnknown(image, "name"));
        }
    }

    lines.emplace_back();
    std::string heading = "Thread " + std::to_string(index) + " crashed";
    if (std::optional<std::string> queue = string(thread, "queue")) {
        heading += " (" + *queue + ")";
    }
    lines.push_back(heading + ":");

    const Json* frames = array(thread, "frames");
    if (frames == nullptr) {
        return;
    }
    std::size_t count = std::min(frames->size(), maxFrames);
    for (std::size_t i = 0; i < count; ++i) {
        const Json& frame = (*frames)[i];
        std::string image = "?";
        if (std::optional<std::int64_t> at = integer(frame, "imageIndex");
            at && *at >= 0 && static_cast<std::uint64_t>(*at) < images.size()) {
            image = images[static_cast<std::size_t>(*at)];
        }
        std::string location;
        if (std::optional<std::string> symbol = string(frame, "symbol")) {
            location =
                *symbol + " + " + std::to_string(integer(frame, "symbolLocation").value_or(0));
        } else {
            location = fmt::format(
                "0x{:x}", static_cast<std::uint64_t>(integer(frame, "imageOffset").value_or(0)));
        }
        lines.push_back(fitted(std::to_string(i), 3) + " " + fitted(image, imageColumn) + " " +
                        location);
    }
}

std::string withHomeAsTilde(std::string text) {
    std::string home = Folders::home().string();
    while (home.size() > 1 && home.back() == '/') {
        home.pop_back();
    }
    // A home of "/" would turn every slash into "~".
    if (home.empty() || home == "/") {
        return text;
    }
    std::string result;
    std::size_t from = 0;
    for (std::size_t found = text.find(home); found != std::string::npos;
         found = text.find(home, from)) {
        result.append(text, from, found - from);
        result += '~';
        from = found + home.size();
    }
    result.append(text, from);
    return result;
}

std::optional<std::string> summarizeOrThrow(std::string_view contents) {
    if (!utf8::decode(contents)) {
        return std::nullopt;
    }
    std::size_t newline = contents.find('\n');
    if (newline == std::string_view::npos) {
        return std::nullopt;
    }
    std::optional<Json> header = parseObject(contents.substr(0, newline));
    if (!header) {
        return std::nullopt;
    }
    AppIdentity identity = AppIdentity::current();
    if (string(*header, "bundleID") != identity.bundleID &&
        string(*header, "app_name") != identity.name) {
        return std::nullopt;
    }
    std::optional<Json> body = parseObject(contents.substr(newline + 1));
    if (!body) {
        return std::nullopt;
    }

    std::vector<std::string> lines;
    lines.push_back(identity.name + " " + stringOrUnknown(*header, "app_version") + " (" +
                    stringOrUnknown(*header, "build_version") + ") crashed at " +
                    stringOrUnknown(*header, "timestamp"));
    std::string system = stringOrUnknown(*header, "os_version");
    if (const Json* translated = json::member(*body, "translated");
        translated != nullptr && translated->is_boolean() && translated->get<bool>()) {
        system += ", under Rosetta";
    }
    lines.push_back(system);
    if (const Json* exception = object(*body, "exception")) {
        std::string line = stringOrUnknown(*exception, "type") + " (" +
                           stringOrUnknown(*exception, "signal") + ")";
        if (std::optional<std::string> subtype = string(*exception, "subtype")) {
            line += ", " + *subtype;
        }
        lines.push_back(line);
    }
    // Object keys come in ascending order.
    if (const Json* asi = object(*body, "asi")) {
        for (const auto& [key, entry] : asi->items()) {
            if (!entry.is_array()) {
                continue;
            }
            for (const Json& text : entry) {
                if (text.is_string()) {
                    lines.push_back("  " + utf8::trimmed(text.get_ref<const std::string&>()));
                }
            }
        }
    }
    addThread(lines, *body);

    return withHomeAsTilde(fmt::format("{}", fmt::join(lines, "\n")));
}

} // namespace

std::optional<std::string> summarize(std::string_view contents) {
    try {
        return summarizeOrThrow(contents);
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<std::string> summary(const std::filesystem::path& url) {
    try {
        // Only regular files: reading a pipe that happens to carry the right name would wait
        // for ever.
        std::error_code error;
        if (!std::filesystem::is_regular_file(url, error)) {
            return std::nullopt;
        }
        std::optional<std::string> contents = readFile(url);
        if (!contents) {
            return std::nullopt;
        }
        return summarizeOrThrow(*contents);
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<Summary> latest(std::chrono::system_clock::time_point since) {
    try {
        struct Candidate {
            std::filesystem::path url;
            std::chrono::system_clock::time_point date;
        };
        std::string name = AppIdentity::current().name;
        std::chrono::system_clock::time_point earliest = since - std::chrono::seconds(1);
        std::vector<Candidate> candidates;
        std::error_code error;
        std::filesystem::directory_iterator entries(Folders::diagnosticReports(), error);
        if (error) {
            return std::nullopt;
        }
        for (; entries != std::filesystem::directory_iterator(); entries.increment(error)) {
            if (error) {
                break;
            }
            const std::filesystem::path& url = entries->path();
            std::string file = url.filename().string();
            if (!file.starts_with(name) || url.extension() != ".ips") {
                continue;
            }
            std::error_code timeError;
            std::filesystem::file_time_type modified = entries->last_write_time(timeError);
            if (timeError) {
                continue;
            }
            auto date = std::chrono::time_point_cast<std::chrono::system_clock::duration>(
                std::chrono::file_clock::to_sys(modified));
            if (date >= earliest) {
                candidates.push_back({url, date});
            }
        }
        std::stable_sort(candidates.begin(), candidates.end(),
                         [](const Candidate& a, const Candidate& b) { return a.date > b.date; });
        for (const Candidate& candidate : candidates) {
            if (std::optional<std::string> text = summary(candidate.url)) {
                return Summary{candidate.url, candidate.date, std::move(*text)};
            }
        }
        return std::nullopt;
    } catch (...) {
        return std::nullopt;
    }
}

} // namespace corvale::CrashReport
