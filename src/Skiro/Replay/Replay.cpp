#include "Skiro/Replay/Replay.hpp"

#include "Skiro/Tap/Recording.hpp"

#include <cmath>
#include <future>
#include <map>
#include <type_traits>

namespace skiro {

namespace {

using corvale::json::Json;
using namespace platform::simulated;

// A device the registry describes with the facts a recording kept of it, so that identifying
// its scrolls asks the same questions and gets the same answers.
DeviceDescription description(const Json& facts) {
    DeviceDescription device;
    device.registered = facts.value("kind", "") != "unknown";
    device.className = facts.value("class", "IOHIDEventDriver");
    auto text = [&](const char* key) -> std::optional<std::string> {
        const Json* value = corvale::json::member(facts, key);
        return value != nullptr && value->is_string() ? std::optional(value->get<std::string>())
                                                      : std::nullopt;
    };
    auto number = [&](const char* key) -> std::optional<std::int64_t> {
        const Json* value = corvale::json::member(facts, key);
        return value != nullptr && value->is_number_integer()
                   ? std::optional(value->get<std::int64_t>())
                   : std::nullopt;
    };
    device.scrollAcceleration = text("scrollAcceleration");
    device.primaryUsagePage = number("PrimaryUsagePage");
    device.primaryUsage = number("PrimaryUsage");
    device.vendorID = number("VendorID");
    device.productID = number("ProductID");
    device.transport = text("Transport");
    // Driven by the trackpad driver without being it: the driver is its parent.
    const Json* driver = corvale::json::member(facts, "trackpadDriver");
    // The simulated devices carry the names of the system the simulation simulates.
    const std::string_view trackpadDriverClass = platform::macOSRegistryNames.trackpadDriverClass;
    if (driver != nullptr && *driver == true && device.className != trackpadDriverClass) {
        device.parentClassName = std::string(trackpadDriverClass);
    }
    return device;
}

SimulatedEvent eventOf(const RecordingFile::Scroll& scroll, std::uint64_t sender,
                       platform::Point location) {
    SimulatedEvent event(platform::EventType::scrollWheel);
    for (const RecordingFile::RawField& raw : scroll.raw) {
        // Stored the way that reads back both values.
        if (std::isfinite(raw.real) && raw.real == static_cast<double>(raw.integer)) {
            event.storeInteger(raw.field, raw.integer);
        } else {
            event.storeDouble(raw.field, raw.real);
        }
    }
    platform::EventFlags flags = platform::flag::nonCoalesced;
    if (scroll.shift) {
        flags |= platform::flag::shift;
    }
    if (scroll.shortcutKeys) {
        flags |= platform::flag::command;
    }
    event.setFlags(flags);
    event.setTimestamp(scroll.timestamp);
    event.setLocation(location);
    event.setSystemTurned(scroll.systemTurned);
    if (scroll.hid) {
        event.setHIDEvent({sender, (*scroll.hid)[1], (*scroll.hid)[0], 0});
    }
    return event;
}

std::string flipOf(const Json& line) {
    const Json* flip = corvale::json::member(line, "flip");
    return flip != nullptr && flip->is_string() ? flip->get<std::string>() : std::string("?");
}

std::string described(const std::optional<ScrollDeltas>& after) {
    return after ? toString(*after) : std::string("none");
}

} // namespace

// --- The system.

template <class Work>
auto ReplaySystem::onTap(Work work) {
    using Result = std::invoke_result_t<Work>;
    std::promise<Result> done;
    std::future<Result> result = done.get_future();
    tap_->performOnTapThread([&] {
        if constexpr (std::is_void_v<Result>) {
            work();
            done.set_value();
        } else {
            done.set_value(work());
        }
    });
    return result.get();
}

ReplaySystem::ReplaySystem(const RecordingFile::Header& header) : header_(header) {
    // Event times in nanoseconds, so that a recorded time is the time the tap reads.
    system_.simulatedClock().setTimebase({1, 1});
    system_.setNaturalScrolling(header.systemNatural);
    if (header.tap == "session") {
        system_.taps().setRefused(platform::TapLocation::hid, true);
    }
    // The recording ends when the replay does; it is never written.
    tap_ = InputTap::make(
        system_, input_.runLoop(),
        InputTap::Options{.testHooks = false,
                          .lookups = lookups_,
                          .timer = [](std::chrono::nanoseconds, std::function<void()>) {},
                          .writes = std::nullopt});
    tap_->setSettings(Turner::Settings{!header.paused, header.directions});
}

ReplaySystem::~ReplaySystem() {
    tap_->stop(false);
    settle();
}

bool ReplaySystem::start() {
    if (!tap_->start()) {
        return false;
    }
    tap_->recorder().record(1, headerLine(header_), [](const InputTap::Recorded&) {});
    settle();
    return true;
}

void ReplaySystem::setNaturalScrolling(bool natural) {
    system_.setNaturalScrolling(natural);
    tap_->recorder().note(Json{{"kind", "system"}, {"natural", natural}});
    // Noted before the next scroll reaches the tap.
    onTap([] {});
}

void ReplaySystem::settle() {
    lookups_.sync([] {});
    onTap([] {});
}

std::string ReplaySystem::text() {
    return onTap([this] {
        return tap_->recorder().recording() ? tap_->recorder().recording()->text() : std::string();
    });
}

std::vector<Json> ReplaySystem::scrollLines() {
    return onTap([this] {
        std::vector<Json> scrolls;
        if (tap_->recorder().recording()) {
            for (const Json& line : tap_->recorder().recording()->lines()) {
                if (line.value("kind", "") == "scroll") {
                    scrolls.push_back(line);
                }
            }
        }
        return scrolls;
    });
}

Json ReplaySystem::headerLine(const RecordingFile::Header& header) {
    return Json{{"systemNatural", header.systemNatural},
                {"tap", header.tap},
                {"paused", header.paused},
                {"directions",
                 header.directions ? corvale::json::encode(*header.directions) : Json("system")},
                {"macOS", header.macOS},
                {"version", header.version}};
}

// --- Replaying.

Replay::Outcome Replay::run(const RecordingFile& file, const Options& options) {
    RecordingFile::Header header = file.header;
    if (options.directions) {
        header.directions = *options.directions;
    }
    ReplaySystem replay(header);
    std::map<int, std::uint64_t> senders;
    for (const auto& [number, facts] : file.senders) {
        senders[number] = replay.system().attach(description(facts)).senderID();
    }
    Outcome outcome;
    outcome.scrolls = file.scrolls.size();
    if (!replay.start()) {
        outcome.ran = false;
        return outcome;
    }

    SimulatedClock& clock = replay.system().simulatedClock();
    std::size_t change = 0;
    std::map<int, bool> seen;
    for (std::size_t i = 0; i < file.scrolls.size(); ++i) {
        for (; change < file.changes.size() && file.changes[change].beforeScroll <= i; ++change) {
            replay.setNaturalScrolling(file.changes[change].natural);
        }
        const RecordingFile::Scroll& scroll = file.scrolls[i];
        const std::uint64_t now = clock.uptimeNanoseconds();
        if (scroll.timestamp > now) {
            clock.advance(std::chrono::nanoseconds(scroll.timestamp - now));
        }
        const int sender = scroll.sender.value_or(0);
        SimulatedEvent event =
            eventOf(scroll, sender != 0 ? senders[sender] : 0, replay.system().pointer());
        replay.system().route(event);
        // A sender's first scroll may start a registry lookup: its answer comes before the
        // next scroll, as it would on any machine that is not starved.
        if (!seen[sender]) {
            seen[sender] = true;
            replay.settle();
        }
    }

    const std::vector<Json> lines = replay.scrollLines();
    for (std::size_t i = 0; i < file.scrolls.size(); ++i) {
        const RecordingFile::Scroll& recorded = file.scrolls[i];
        Difference now{recorded.line, recorded.flip, recorded.after, "unseen", std::nullopt};
        if (i < lines.size()) {
            now.flip = flipOf(lines[i]);
            if (const Json* after = corvale::json::member(lines[i], "after")) {
                now.after = RecordingReader::deltas(*after);
            }
        }
        if (now.flip != now.recordedFlip || now.after != now.recordedAfter) {
            outcome.differences.push_back(std::move(now));
        }
    }
    return outcome;
}

std::vector<std::string> Replay::report(const Outcome& outcome, std::size_t shown) {
    const std::size_t differ = outcome.differences.size();
    std::string summary = std::to_string(outcome.scrolls) +
                          (outcome.scrolls == 1 ? " scroll replayed: " : " scrolls replayed: ");
    if (!outcome.ran) {
        summary += "none, no tap could be made";
    } else if (differ == 0) {
        summary += std::to_string(outcome.scrolls) + " as recorded";
    } else {
        summary += std::to_string(differ) + (differ == 1 ? " differs" : " differ");
    }
    std::vector<std::string> lines{summary};
    for (std::size_t i = 0; i < differ && i < shown; ++i) {
        const Difference& d = outcome.differences[i];
        lines.push_back("line " + std::to_string(d.line) + ": recorded flip \"" + d.recordedFlip +
                        "\", after " + described(d.recordedAfter) + "; now flip \"" + d.flip +
                        "\", after " + described(d.after));
    }
    if (differ > shown) {
        lines.push_back("and " + std::to_string(differ - shown) + " more");
    }
    return lines;
}

} // namespace skiro
