#pragma once

#include "CorvaleCore/Json.hpp"
#include "Platform/System.hpp"
#include "SkiroCore/ScrollDeltas.hpp"

#include <cstddef>
#include <string>
#include <vector>

// What this machine allows and how it treats written scroll fields, found without any
// scrolling: the permissions, which kinds of event tap can be made, and what reads back when
// the delta fields of a synthetic scroll are written one at a time or all in a given order.
// No state; every tap it makes is destroyed at once and never attached to a run loop.
namespace skiro::Probe {

// {"accessibility", "inputMonitoring", "postEvents", "systemNatural", "taps", "fields"}.
corvale::json::Json run(platform::System& system);

// "ok" or "failed" for each of the 24 combinations of location (hid, session, annotated),
// placement (head, tail), option (active, listen) and events (scroll, gesture), keyed by the
// four names in that order joined by spaces: "hid head active scroll".
corvale::json::Json taps(platform::EventTaps& taps);

// For each unit (pixel, line) and kind (plain, continuous) of a synthetic scroll of 7 down and
// -3 across: "before", "one field at a time" (each field of each axis negated alone, and what
// the six read then) and "orders" (each axis choice written in each order, and whether the six
// read back as written). An event that cannot be made leaves its entry out.
corvale::json::Json fields(platform::Events& events);

// "v 7/7.0/70, h -3/-3.0/-30": line, fixed-point and point of each axis; the fixed-point value
// in the shortest form that reads back the same, whole numbers with ".0".
std::string describe(const ScrollDeltas& deltas);

// Every ordering: each element in turn, followed by every ordering of the others. A list of
// fewer than two elements has itself as its only ordering.
template <class T>
std::vector<std::vector<T>> permutations(const std::vector<T>& items) {
    if (items.size() < 2) {
        return {items};
    }
    std::vector<std::vector<T>> all;
    for (std::size_t i = 0; i < items.size(); ++i) {
        std::vector<T> others;
        others.reserve(items.size() - 1);
        for (std::size_t j = 0; j < items.size(); ++j) {
            if (j != i) {
                others.push_back(items[j]);
            }
        }
        for (std::vector<T>& rest : permutations(others)) {
            rest.insert(rest.begin(), items[i]);
            all.push_back(std::move(rest));
        }
    }
    return all;
}

} // namespace skiro::Probe
