#include "Skiro/Tap/Probe.hpp"

#include "CorvaleCore/Text.hpp"
#include "Skiro/Tap/ScrollFields.hpp"
#include "Skiro/Tap/SystemScrolling.hpp"

#include <array>
#include <memory>
#include <string_view>
#include <utility>

namespace skiro::Probe {

namespace {

using corvale::json::Json;
using platform::EventMask;
using platform::EventType;
using platform::TapLocation;
using platform::TapOptions;
using platform::TapPlacement;

platform::Event* unchanged(EventType, platform::Event& event, void*) {
    return &event;
}

template <class Value>
struct Named {
    std::string_view name;
    Value value;
};

constexpr std::array<Named<TapLocation>, 3> locations{
    {{"hid", TapLocation::hid},
     {"session", TapLocation::session},
     {"annotated", TapLocation::annotatedSession}}};
constexpr std::array<Named<TapPlacement>, 2> placements{
    {{"head", TapPlacement::headInsert}, {"tail", TapPlacement::tailAppend}}};
constexpr std::array<Named<TapOptions>, 2> options{
    {{"active", TapOptions::defaultTap}, {"listen", TapOptions::listenOnly}}};
constexpr std::array<Named<EventMask>, 2> masks{
    {{"scroll", platform::eventMaskBit(EventType::scrollWheel)},
     {"gesture", platform::eventMaskBit(EventType::gesture)}}};

// The axes a write turns: vertical only, horizontal only, both.
constexpr std::array<Flip, 3> axisChoices{Flip{true, false}, Flip{false, true}, Flip{true, true}};

std::string describeAxis(const AxisDeltas& axis) {
    return std::to_string(axis.line) + "/" + corvale::realText(axis.fixedPoint) + "/" +
           std::to_string(axis.point);
}

} // namespace

std::string describe(const ScrollDeltas& deltas) {
    return "v " + describeAxis(deltas.vertical) + ", h " + describeAxis(deltas.horizontal);
}

namespace {

Json entry(const platform::Event& event) {
    const ScrollDeltas before = readDeltas(event);

    Json alone = Json::object();
    for (Axis axis : allCases<Axis>) {
        const Flip only{axis == Axis::vertical, axis == Axis::horizontal};
        const ScrollDeltas negated = before.flipped(only);
        for (DeltaField field : allDeltaFields) {
            std::unique_ptr<platform::Event> copy = event.copy();
            if (!copy) {
                continue;
            }
            const DeltaField order[1] = {field};
            write(negated, *copy, only, order);
            const ScrollDeltas got = readDeltas(*copy);
            alone[std::string(toString(field)) + " " + std::string(toString(axis))] =
                got == before ? std::string("nothing changed") : describe(got);
        }
    }

    Json orders = Json::object();
    const std::vector<DeltaField> fields(allDeltaFields.begin(), allDeltaFields.end());
    for (const std::vector<DeltaField>& order : permutations(fields)) {
        std::string names;
        for (DeltaField field : order) {
            names += (names.empty() ? "" : ",") + std::string(toString(field));
        }
        for (Flip axes : axisChoices) {
            std::unique_ptr<platform::Event> copy = event.copy();
            if (!copy) {
                continue;
            }
            const ScrollDeltas expected = before.flipped(axes);
            write(expected, *copy, axes, order);
            const ScrollDeltas got = readDeltas(*copy);
            const std::string key =
                names + " " + (axes.vertical ? "v" : "") + (axes.horizontal ? "h" : "");
            orders[key] = got == expected ? std::string("ok") : "got " + describe(got);
        }
    }

    return Json{{"before", describe(before)}, {"one field at a time", alone}, {"orders", orders}};
}

} // namespace

Json taps(platform::EventTaps& taps) {
    Json result = Json::object();
    for (const auto& location : locations) {
        for (const auto& placement : placements) {
            for (const auto& option : options) {
                for (const auto& mask : masks) {
                    std::unique_ptr<platform::EventTap> tap =
                        taps.create(location.value, placement.value, option.value, mask.value,
                                    &unchanged, nullptr);
                    if (tap) {
                        tap->enable(false);
                        tap->invalidate();
                    }
                    const std::string key = std::string(location.name) + " " +
                                            std::string(placement.name) + " " +
                                            std::string(option.name) + " " + std::string(mask.name);
                    result[key] = tap ? "ok" : "failed";
                }
            }
        }
    }
    return result;
}

Json fields(platform::Events& events) {
    constexpr std::array<Named<platform::ScrollEventUnit>, 2> units{
        {{"pixel", platform::ScrollEventUnit::pixel}, {"line", platform::ScrollEventUnit::line}}};
    Json result = Json::object();
    for (const auto& unit : units) {
        for (bool continuous : {false, true}) {
            std::unique_ptr<platform::Event> event =
                events.createScrollWheelEvent(unit.value, 2, 7, -3);
            if (!event) {
                continue;
            }
            if (continuous) {
                event->setIntegerValue(scrollField::isContinuous, 1);
            }
            result[std::string(unit.name) + (continuous ? " continuous" : "")] = entry(*event);
        }
    }
    return result;
}

Json run(platform::System& system) {
    platform::Permissions& permissions = system.permissions();
    return Json{{"accessibility", permissions.isProcessTrusted()},
                {"inputMonitoring", permissions.preflightListenEventAccess()},
                {"postEvents", permissions.preflightPostEventAccess()},
                {"systemNatural", SystemScrolling::natural(system)},
                {"taps", taps(system.eventTaps())},
                {"fields", fields(system.events())}};
}

} // namespace skiro::Probe
