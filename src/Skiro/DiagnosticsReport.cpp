#include "Skiro/DiagnosticsReport.hpp"

#include "Corvale/Commands.hpp"
#include "CorvaleCore/AppIdentity.hpp"
#include "Skiro/AppParts.hpp"
#include "Skiro/Settings.hpp"

#include <fmt/format.h>

namespace skiro::DiagnosticsReport {

namespace {

using corvale::Diagnostics::Section;

std::string directionsLine(const Config& config) {
    if (!config.directions) {
        return "Directions: following System Settings (none chosen yet).";
    }
    const Directions& chosen = *config.directions;
    auto pair = [&](Device device) {
        return std::string(toString(device)) + " up and down " +
               std::string(toString(chosen.at(device, Axis::vertical))) + ", left and right " +
               std::string(toString(chosen.at(device, Axis::horizontal)));
    };
    return "Directions: " + pair(Device::trackpad) + "; " + pair(Device::mouse) + ".";
}

std::uint64_t average(const InputTap::Cost& cost) {
    return cost.count > 0 ? cost.total / static_cast<std::uint64_t>(cost.count) : 0;
}

} // namespace

std::string microseconds(std::uint64_t nanoseconds) {
    return fmt::format("{:.1f} µs", static_cast<double>(nanoseconds) / 1000.0);
}

std::string status(Live::State state) {
    switch (state) {
    case Live::State::waiting:
        return "waiting for Accessibility";
    case Live::State::running:
        return "running";
    case Live::State::paused:
        return "paused";
    case Live::State::stopped:
        return "stopped: its tap kept timing out";
    }
    return {};
}

std::vector<std::string> setup(const Inputs& inputs) {
    std::vector<std::string> lines;
    lines.push_back(std::string("Natural scrolling in System Settings: ") +
                    (inputs.systemNatural ? "on" : "off"));
    if (!inputs.tapLocation) {
        lines.emplace_back("Scroll tap: none");
    } else {
        lines.push_back(std::string("Scroll tap: at the ") +
                        (*inputs.tapLocation == "hid" ? "HID level" : "session's head") + ", " +
                        (inputs.tapEnabled ? "on" : "off"));
    }
    lines.push_back(std::string("HID functions: ") +
                    (inputs.hidFunctionsFound
                         ? "found"
                         : "missing (devices can't be told apart; Safari may bounce)"));
    if (inputs.away) {
        lines.push_back("Another user's session is in front: " +
                        corvale::AppIdentity::current().name + " is standing aside");
    }
    return lines;
}

std::vector<std::string> scrolling(const Inputs& inputs) {
    const InputTap::Stats& s = inputs.stats;
    auto count = [&](std::int64_t value) {
        return corvale::Formats::decimal(value, inputs.numbers);
    };
    std::string name = corvale::AppIdentity::current().name;
    std::chrono::duration<double> running = inputs.now - s.since;

    std::vector<std::string> lines;
    lines.push_back(directionsLine(inputs.config));
    lines.push_back("Over the last " + corvale::Formats::duration(running.count()) + " (since " +
                    name + " started): " + count(s.scrolls) + " scrolls, " + count(s.turned) +
                    " turned.");
    if (s.passed >= 1) {
        lines.push_back("Let through untouched, with nothing to turn: " + count(s.passed) + ".");
    }
    lines.push_back("Trackpad: " + count(s.trackpad) + " (" + count(s.trackpadTurned) +
                    " turned). Mouse: " + count(s.mouse) + " (" + count(s.mouseTurned) +
                    " turned), of them posted by another app: " + count(s.posted) + ".");
    if (s.unknownSenders >= 1) {
        lines.push_back("Devices the registry didn't know, told apart by their scrolls' shape: " +
                        count(s.unknownSenders) + ".");
    }
    lines.push_back("Apps get scrolls as " + name + " sends them: " + inputs.checkSummary + ".");
    std::string tap = "The tap: turned off by macOS " + count(s.disabledByTimeout) +
                      " times for being slow and " + count(s.disabledByUserInput) +
                      " times by the system; found off and turned back on " + count(s.revived) +
                      " times; made afresh " + count(s.restarts) + " times.";
    if (inputs.gaveUp) {
        tap += " Stopped: it kept timing out.";
    }
    lines.push_back(std::move(tap));
    if (s.readBackFailures >= 1) {
        lines.push_back("Turned scrolls that read back wrong: " + count(s.readBackFailures) +
                        " (the last: " + s.lastReadBackFailure.value_or("?") + ").");
    }
    lines.push_back("Each scroll took " + microseconds(average(s.full)) + " on average, " +
                    microseconds(s.full.most) + " at most; " + s.full.spreadText() + ".");
    if (s.starts.count >= 1) {
        lines.push_back("Reading the system's direction as a scroll starts: " +
                        microseconds(average(s.starts)) + " on average, " +
                        microseconds(s.starts.most) + " at most; from the HID event " +
                        count(s.startsFromHID) + " times, from AppKit " +
                        count(s.startsFromAppKit) + ".");
    }
    if (s.fast.count >= 1) {
        lines.push_back("Letting a scroll through untouched: " + microseconds(average(s.fast)) +
                        " on average, " + microseconds(s.fast.most) + " at most.");
    }
    return lines;
}

corvale::Diagnostics::Contribution contribution(const Inputs& inputs) {
    std::string account;
    for (const std::string& line : scrolling(inputs)) {
        account += (account.empty() ? "- " : "\n- ") + line;
    }
    return {status(inputs.state),
            setup(inputs),
            {Section("Scrolling", std::move(account)),
             Section("State", corvale::Diagnostics::json(inputs.stateDocument), "json"),
             Section("Settings", corvale::Diagnostics::json(inputs.config), "json")}};
}

Inputs current() {
    const AppParts& parts = appParts();
    Live& live = parts.live;
    InputTap& tap = parts.tap;
    Inputs inputs;
    inputs.state = live.state();
    inputs.systemNatural = live.systemNatural();
    inputs.away = live.away();
    inputs.checkSummary = live.checkSummary();
    inputs.tapLocation = tap.location();
    inputs.tapEnabled = tap.tapEnabled();
    inputs.hidFunctionsFound = tap.hidFunctions().allFound();
    inputs.gaveUp = tap.gaveUp();
    inputs.stats = tap.stats();
    inputs.config = parts.settings.config();
    // The registry's state provider is the application's state document.
    inputs.stateDocument = corvale::Commands::state();
    inputs.now = std::chrono::system_clock::now();
    inputs.numbers = corvale::Formats::NumberStyle::user();
    return inputs;
}

corvale::Diagnostics::Contribution contribution() {
    return contribution(current());
}

} // namespace skiro::DiagnosticsReport
