#pragma once

#include "Corvale/Diagnostics.hpp"
#include "Corvale/Formats.hpp"
#include "CorvaleCore/Json.hpp"
#include "Skiro/Live.hpp"
#include "Skiro/Tap/InputTap.hpp"
#include "SkiroEngine/Config.hpp"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

// The application's part of the diagnostics: a status word, set-up lines, and three sections:
// a plain-language account of how scrolling went since the application started, the state
// document and the stored settings. It only reads, on the main thread.
namespace skiro::DiagnosticsReport {

// Everything the contribution reads, taken at one moment.
struct Inputs {
    Live::State state = Live::State::waiting;
    bool systemNatural = false;
    bool away = false;
    // The read-back check's verdict in words.
    std::string checkSummary;
    // "hid" or "session" while a tap exists.
    std::optional<std::string> tapLocation;
    // A tap exists and the system reports it enabled.
    bool tapEnabled = false;
    // All four HID event functions were found.
    bool hidFunctionsFound = false;
    bool gaveUp = false;
    InputTap::Stats stats;
    Config config;
    corvale::json::Json stateDocument = corvale::json::Json::object();
    std::chrono::system_clock::time_point now;
    corvale::Formats::NumberStyle numbers;
};

// What the application's live objects say now: the live controller, the tap, the stored
// settings and the state document; counts grouped by the user's locale.
Inputs current();

// The gather function's answer: `contribution(current())`.
corvale::Diagnostics::Contribution contribution();
corvale::Diagnostics::Contribution contribution(const Inputs& inputs);

// The parts, as they stand in the contribution.
std::string status(Live::State state);
std::vector<std::string> setup(const Inputs& inputs);
// The lines of the scrolling account, without their "- ".
std::vector<std::string> scrolling(const Inputs& inputs);

// A time in nanoseconds as "%.1f µs".
std::string microseconds(std::uint64_t nanoseconds);

} // namespace skiro::DiagnosticsReport
