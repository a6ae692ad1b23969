#include "Skiro/AppCommands.hpp"

#include "Corvale/Commands.hpp"
#include "Corvale/SettingsCommands.hpp"
#include "CorvaleCore/AppIdentity.hpp"
#include "CorvaleCore/Dispatch.hpp"
#include "CorvaleCore/Files.hpp"
#include "CorvaleCore/Text.hpp"
#include "Skiro/Tap/Probe.hpp"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

namespace skiro::AppCommands {

using corvale::Commands::Arguments;
using corvale::Commands::Reply;
using corvale::Commands::ReplyCallback;
using corvale::json::Json;

namespace {

constexpr const char* notAvailable = "Not available.";

std::string programName() {
    return corvale::asciiLowercased(corvale::AppIdentity::current().name);
}

// A whole decimal number with an optional sign and nothing else; none when it does not fit.
std::optional<std::int64_t> decimalInteger(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') {
            return std::nullopt;
        }
    }
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

// What `set` is asked to change, or none when the arguments are not a device, an axis (or
// "both") and a way.
struct Choice {
    Device device;
    std::vector<Axis> axes;
    Direction direction;
};

std::optional<Choice> chosen(const Arguments& lowered) {
    if (lowered.size() != 3) {
        return std::nullopt;
    }
    std::optional<Device> device = deviceFromString(lowered[0]);
    std::optional<Direction> way = directionFromString(lowered[2]);
    std::vector<Axis> axes;
    if (lowered[1] == "both") {
        axes = {Axis::vertical, Axis::horizontal};
    } else if (std::optional<Axis> axis = axisFromString(lowered[1])) {
        axes = {*axis};
    }
    if (!device || !way || axes.empty()) {
        return std::nullopt;
    }
    return Choice{*device, std::move(axes), *way};
}

void set(const Context& context, const Arguments& arguments, const ReplyCallback& reply) {
    Arguments lowered;
    lowered.reserve(arguments.size());
    for (const std::string& argument : arguments) {
        lowered.push_back(corvale::asciiLowercased(argument));
    }
    Settings& settings = context.settings();
    if (lowered == Arguments{"all", "system"}) {
        settings.update([](Config& config) { config.directions.reset(); });
        reply(Reply::ok(""));
        return;
    }
    std::optional<Choice> choice = chosen(lowered);
    if (!choice) {
        reply(Reply::failure(setUsage()));
        return;
    }
    const bool systemNatural = context.systemNatural();
    settings.update([&](Config& config) {
        config =
            config.withDirection(choice->device, choice->axes, choice->direction, systemNatural);
    });
    reply(Reply::ok(""));
}

// A real number as a decimal text reads: an optional sign, then digits with an optional
// fraction and exponent, or "inf", "infinity" or "nan"; nothing else around it. A number too
// large or too small to hold reads as not-a-number, which no range check lets through.
std::optional<double> decimalNumber(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    if (text.empty() || text.front() == '+') {
        return std::nullopt;
    }
    double value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = corvale::readDouble(text, value);
    if (stop != end) {
        return std::nullopt;
    }
    if (error == std::errc::result_out_of_range) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    if (error != std::errc()) {
        return std::nullopt;
    }
    return value;
}

constexpr double defaultRecordSeconds = 10;
constexpr double longestRecordSeconds = 120;

// The length asked for; nothing when it is out of range.
std::optional<double> recordSeconds(const Arguments& arguments) {
    const double seconds = arguments.empty()
                               ? defaultRecordSeconds
                               : decimalNumber(arguments[0]).value_or(defaultRecordSeconds);
    // Written so that not-a-number fails too.
    if (!(seconds > 0 && seconds <= longestRecordSeconds)) {
        return std::nullopt;
    }
    return seconds;
}

// The client's words while a recording runs, so the user knows it listens.
std::optional<corvale::Commands::Waiting> recordWaiting(const Arguments& arguments) {
    const std::optional<double> seconds = recordSeconds(arguments);
    if (!seconds) {
        return std::nullopt;
    }
    const std::string name = corvale::AppIdentity::current().name;
    const std::string folder = (corvale::applicationCaches() / "recordings").string();
    return corvale::Commands::Waiting{
        *seconds, fmt::format("Recording for {} s: scroll now, the way that goes wrong.", *seconds),
        [name, folder](double left) {
            return fmt::format("The recording goes on in {}: in {:.0f} s it will be written to {}.",
                               name, std::max(std::ceil(left), 1.0), folder);
        }};
}

void record(const Context& context, const Arguments& arguments, const ReplyCallback& reply) {
    const std::optional<double> length = recordSeconds(arguments);
    if (!length) {
        reply(Reply::failure("Record for 1 to 120 seconds."));
        return;
    }
    const double seconds = *length;
    InputTap& tap = context.tap();
    if (!tap.hasTap()) {
        reply(Reply::failure(corvale::AppIdentity::current().name +
                             " is waiting for Accessibility."));
        return;
    }
    const Config config = context.settings().config();
    Json header = {{"systemNatural", context.systemNatural()},
                   {"tap", tap.location().value_or("")},
                   {"paused", config.paused},
                   {"directions", directions(config)},
                   {"macOS", context.system().facts().operatingSystemVersionString()},
                   {"version", corvale::AppIdentity::current().version()}};
    tap.recorder().record(seconds, std::move(header), [reply](InputTap::Recorded recorded) {
        corvale::DispatchQueue::main().async([reply, recorded] {
            if (recorded.file) {
                reply(Reply::ok(recorded.file->string()));
            } else if (recorded.replaced) {
                // Nothing failed: a later recording took this one's place.
                reply(Reply::failure("Another recording replaced this one."));
            } else {
                reply(Reply::failure("Couldn't write the recording."));
            }
        });
    });
}

void probe(const Context& context, const Arguments&, const ReplyCallback& reply) {
    const Json result = Probe::run(context.system());
    try {
        const std::filesystem::path file = corvale::applicationCaches() / "probe.json";
        corvale::writeAtomically(file, corvale::json::encodePretty(result));
        reply(Reply::file(file));
    } catch (const corvale::Error&) {
        reply(Reply::failure("Couldn't write the probe."));
    }
}

void testStall(const Context& context, const Arguments& arguments, const ReplyCallback& reply) {
    std::vector<std::int64_t> numbers;
    for (const std::string& argument : arguments) {
        if (std::optional<std::int64_t> number = decimalInteger(argument)) {
            numbers.push_back(*number);
        }
    }
    if (numbers.size() != 2) {
        reply(Reply::failure(programName() + " test-stall <milliseconds> <count>"));
        return;
    }
    context.tap().setStall(numbers[0], numbers[1]);
    reply(Reply::ok(""));
}

// A test command answers only in a process with test hooks on.
corvale::Commands::Run
testOnly(Context context,
         std::function<void(const Context&, const Arguments&, const ReplyCallback&)> run) {
    return [context = std::move(context), run = std::move(run)](const Arguments& arguments,
                                                                const ReplyCallback& reply) {
        if (!context.tap().hooksOn()) {
            reply(Reply::failure(notAvailable));
            return;
        }
        run(context, arguments, reply);
    };
}

void snapshot(const Windows& windows, const ReplyCallback& reply) {
    try {
        const std::filesystem::path folder = corvale::applicationCaches() / "snapshots";
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error) {
            throw corvale::FileError(corvale::FileError::Operation::write, folder, error.value());
        }
        std::vector<std::string> written;
        for (const std::filesystem::path& file : windows.snapshot(folder)) {
            written.push_back(file.string());
        }
        reply(Reply::ok(fmt::format("{}", fmt::join(written, "\n"))));
    } catch (const corvale::Error& error) {
        reply(Reply::failure("Couldn't draw the snapshots: " + error.description()));
    }
}

// The pane `settings` opens: the first whose name equals the argument in lower case; the first
// pane without an argument or when none is equal.
std::size_t settingsPane(const std::vector<std::string>& panes, const Arguments& arguments) {
    if (arguments.empty()) {
        return 0;
    }
    const std::string wanted = corvale::asciiLowercased(arguments.front());
    const auto found = std::find(panes.begin(), panes.end(), wanted);
    return found == panes.end() ? 0 : static_cast<std::size_t>(found - panes.begin());
}

void testAxis(const Windows& windows, const Arguments& arguments, const ReplyCallback& reply) {
    if (arguments.empty()) {
        reply(Reply::failure("Usage: " + programName() + " test-axis <vertical|horizontal>"));
        return;
    }
    if (std::optional<Axis> axis = axisFromString(arguments[0]); axis && windows.switchAxis) {
        windows.switchAxis(*axis);
    }
    reply(Reply::ok(""));
}

Json costReport(const InputTap::Cost& cost) {
    return cost.report();
}

} // namespace

std::string setUsage() {
    const std::string program = programName();
    return "Usage: " + program +
           " set <trackpad|mouse> <vertical|horizontal|both> <natural|standard>, or " + program +
           " set all system";
}

void add(Context context, Windows windows) {
    namespace Commands = corvale::Commands;
    Commands::add({.name = "pause",
                   .summary = "Scrolling follows System Settings until you resume",
                   .fromLinks = true,
                   .run = [context](const Arguments&, const ReplyCallback& reply) {
                       context.live().setPaused(true);
                       reply(Reply::ok(""));
                   }});
    Commands::add({.name = "resume",
                   .summary = "Scrolling goes your way again",
                   .fromLinks = true,
                   .run = [context](const Arguments&, const ReplyCallback& reply) {
                       context.live().setPaused(false);
                       reply(Reply::ok(""));
                   }});
    Commands::add({.name = "settings",
                   .arguments = "[pane]",
                   .summary = fmt::format("Open Settings, at a pane: {}",
                                          fmt::join(windows.settingsPanes, ", ")),
                   .fromLinks = true,
                   .launches = true,
                   .run = [windows](const Arguments& arguments, const ReplyCallback& reply) {
                       windows.showSettings(settingsPane(windows.settingsPanes, arguments));
                       reply(Reply::ok(""));
                   }});
    Commands::add({.name = "welcome",
                   .summary = "Open the welcome, with its scroll test",
                   .launches = true,
                   .run = [windows](const Arguments&, const ReplyCallback& reply) {
                       windows.showWelcome();
                       reply(Reply::ok(""));
                   }});
    Commands::add({.name = "set",
                   .arguments = "<device> <axis> <way>",
                   .summary = "Which way a device scrolls: trackpad or mouse, vertical, "
                              "horizontal or both, natural or standard. `set all system` follows "
                              "System Settings again",
                   .run = [context](const Arguments& arguments, const ReplyCallback& reply) {
                       set(context, arguments, reply);
                   }});
    // The store is reached when export or import runs, not while registering.
    Commands::addSettingsTransfer(corvale::SettingsTransfer<Config>{
        [context] { return Settings::transfer(context.settings()).current(); },
        [context](Config imported) {
            Settings::transfer(context.settings()).replace(std::move(imported));
        },
        "the settings"});
    Commands::add(
        {.name = "record",
         .arguments = "[seconds]",
         .summary = "Record what the taps see for 1 to 120 seconds (10 unless you say), "
                    "and print where the file is",
         // The longest recording, and time to write it.
         .timeout = longestRecordSeconds + 15,
         .run = [context](const Arguments& arguments,
                          const ReplyCallback& reply) { record(context, arguments, reply); },
         .waiting = recordWaiting});
    Commands::add({.name = "probe",
                   .summary = "Which taps macOS allows, and how the scroll fields behave when "
                              "written",
                   .run = [context](const Arguments& arguments, const ReplyCallback& reply) {
                       probe(context, arguments, reply);
                   }});
    Commands::add({.name = "snapshot",
                   .summary = "Draw the welcome and the menu bar icon to PNGs, without Screen "
                              "Recording",
                   .run = [windows](const Arguments&, const ReplyCallback& reply) {
                       snapshot(windows, reply);
                   }});

    Commands::add({.name = "test-axis",
                   .arguments = "<vertical|horizontal>",
                   .listed = false,
                   .run = testOnly(context, [windows](const Context&, const Arguments& arguments,
                                                      const ReplyCallback& reply) {
                       testAxis(windows, arguments, reply);
                   })});
    Commands::add({.name = "close-windows",
                   .listed = false,
                   .run = testOnly(context, [windows](const Context&, const Arguments&,
                                                      const ReplyCallback& reply) {
                       windows.closeAll();
                       reply(Reply::ok(""));
                   })});
    Commands::add({.name = "test-stall",
                   .arguments = "<milliseconds> <count>",
                   .listed = false,
                   .run = testOnly(context, testStall)});
    Commands::setState([context, windows] { return state(context, windows); });
}

Json directions(const Config& config) {
    if (!config.directions) {
        return "system";
    }
    return corvale::json::encode(*config.directions);
}

Json state(const Context& context, const Windows& windows) {
    Live& live = context.live();
    InputTap& tap = context.tap();
    // One copy, so that every number comes from the same moment.
    const InputTap::Stats stats = tap.stats();

    Json scrollStarts = costReport(stats.starts);
    scrollStarts["fromHID"] = stats.startsFromHID;
    scrollStarts["fromAppKit"] = stats.startsFromAppKit;

    Json document = {
        {"state", std::string(toString(live.state()))},
        {"accessibility", context.system().permissions().isProcessTrusted()},
        {"systemNatural", live.systemNatural()},
        {"directions", directions(context.settings().config())},
        {"tap", tap.location().value_or("none")},
        {"hidEvents", tap.hidFunctions().allFound()},
        {"testHooks", tap.hooksOn()},
        {"scrolls", stats.scrolls},
        {"passed", stats.passed},
        {"turned", stats.turned},
        {"byDevice", {{"trackpad", stats.trackpad}, {"mouse", stats.mouse}}},
        {"turnedByDevice", {{"trackpad", stats.trackpadTurned}, {"mouse", stats.mouseTurned}}},
        {"revived", stats.revived},
        {"check",
         {{"asSent", stats.checkAsSent},
          {"turnedBack", stats.checkTurnedBack},
          {"seenArrive", stats.checking}}},
        {"posted", stats.posted},
        {"unknownSenders", stats.unknownSenders},
        {"readBackFailures", stats.readBackFailures},
        {"tapTurnedOff",
         {{"timeout", stats.disabledByTimeout}, {"bySystem", stats.disabledByUserInput}}},
        {"tapEnabled", tap.tapEnabled()},
        {"restarts", stats.restarts},
        {"away", live.away()},
        {"cost",
         {{"fastPath", costReport(stats.fast)},
          {"fullPath", costReport(stats.full)},
          {"scrollStarts", scrollStarts}}},
        {"since",
         corvale::json::iso8601(std::chrono::time_point_cast<std::chrono::seconds>(stats.since))},
    };
    if (const auto& names = live.turnedBackBy()) {
        document["turnedBackBy"] = *names;
    } else {
        document["turnedBackBy"] = "nobody";
    }
    if (stats.lastReadBackFailure) {
        document["lastReadBackFailure"] = *stats.lastReadBackFailure;
    }
    if (tap.hooksOn() && windows.listening) {
        if (std::optional<ListeningTest> test = windows.listening()) {
            document["testPage"] = test->page;
            document["testLastInput"] = test->lastInput.value_or("none");
        }
    }
    return document;
}

} // namespace skiro::AppCommands
