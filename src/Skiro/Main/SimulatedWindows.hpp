#pragma once

#include "Platform/Simulated/SimulatedSystem.hpp"
#include "Skiro/UI/OwnWindows.hpp"

// Header only, so that the user interface's tests put the simulation in front of the windows as
// the application does.
namespace skiro::app {

// Makes the application's own windows the application under the pointer wherever they show:
// scrolls that passed the taps arrive there as the toolkit's wheel events.
inline void deliverToOwnWindows(platform::simulated::SimulatedSystem& system) {
    using platform::simulated::ScrollRecord;
    system.setOwnWindows(
        {.covers =
             [](platform::Point at) {
                 OwnWindows* windows = OwnWindows::installed();
                 return windows != nullptr && windows->covers(QPointF(at.x, at.y));
             },
         .deliver =
             [](const ScrollRecord& record) {
                 OwnWindows* windows = OwnWindows::installed();
                 if (windows == nullptr) {
                     return;
                 }
                 const bool continuous = record.continuous;
                 auto measure = [continuous](const platform::simulated::Measures& measures) {
                     return static_cast<double>(continuous ? measures.point : measures.line);
                 };
                 windows->deliver({.at = QPointF(record.location.x, record.location.y),
                                   .continuous = continuous,
                                   .vertical = measure(record.vertical),
                                   .horizontal = measure(record.horizontal),
                                   .phase = record.phase,
                                   .momentum = record.momentum,
                                   .shift = (record.flags & platform::flag::shift) != 0});
             }});
}

} // namespace skiro::app
