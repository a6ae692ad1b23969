#pragma once

#include "CorvaleCore/Json.hpp"
#include "Platform/SystemFacts.hpp"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The one text a user pastes into a bug report, in Markdown: the application's version and
// build, the system and the machine, the display accommodations, the application's status and
// set-up lines, the recent hangs, the application's own sections and the last 10 minutes of the
// log. The framework writes the common parts; the application contributes its own through the
// gather function it configures at launch.
//
// `report`, `copy` and `write` are started on the main thread and finish there; the text is put
// together on a global user-initiated queue, as reading the log may take a while.
namespace corvale::Diagnostics {

// One part of the application's contribution: a heading and a fenced block under it.
struct Section {
    std::string title;
    std::string text;
    // Written after the opening fence (such as "json"); empty for none.
    std::string language;

    Section(std::string heading, std::string body, std::string fenceLanguage = {})
        : title(std::move(heading)), text(std::move(body)), language(std::move(fenceLanguage)) {}

    bool operator==(const Section&) const = default;
};

struct Contribution {
    // A short phrase after the version on the first line; empty for none.
    std::string status;
    // Extra environment lines, each a list item.
    std::vector<std::string> setup;
    std::vector<Section> sections;

    bool operator==(const Contribution&) const = default;
};

using Gathered = std::function<void(Contribution)>;
// Calls its callback once, at once or later and from any thread, with the contribution.
using Gather = std::function<void(Gathered)>;

// The application's gather function, once at launch. Until then (and with an empty function)
// the contribution is empty: no status, no set-up lines, no sections.
void configure(Gather gather);

// The machine whose facts the environment lines tell; the process entry sets it once. The
// facts must outlive their use; without them each fact reads "?".
void useFacts(const platform::SystemFacts* facts);

// Builds the text and calls `completion` with it on the main thread. When the gather function
// never calls back, neither does this.
void report(std::function<void(std::string text)> completion);

// Builds the text, clears the general pasteboard and puts the text there, then calls `then`.
void copy(std::function<void()> then = {});

// The file `write` writes: "diagnostics.md" in the application's caches folder.
std::filesystem::path location();

// Builds the text, writes it to `location()` atomically (replacing an earlier file) and calls
// `completion` on the main thread with the file, or with none when it could not be written.
void write(std::function<void(std::optional<std::filesystem::path>)> completion);

// A value as pretty-printed JSON with sorted keys, for sections; "?" when it has no JSON form
// (a number that is not finite, text that is not UTF-8).
std::string json(const json::Json& object);

// The same for a value with a JSON coding (`json::Coding<T>`).
template <class T>
requires requires(const T& value) {
    json::Coding<T>::encode(value);
}
std::string json(const T& value) {
    json::Json encoded;
    try {
        encoded = json::encode(value);
    } catch (const Error&) {
        return "?";
    } catch (const json::Json::exception&) {
        return "?";
    }
    return json(encoded);
}

// --- The parts of the text, for the application's tests and the crash note

// The environment lines, without their "- " (version, system, set-up, accommodations).
std::vector<std::string> environment(const Contribution& contribution);

// The recent hangs as they stand in the text: empty without hangs, else a block that begins and
// ends with a newline.
std::string recentHangsText();

// Forgets the gather function and the facts (tests).
void reset();

} // namespace corvale::Diagnostics
