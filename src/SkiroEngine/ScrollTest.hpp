#pragma once

#include "SkiroCore/Scrolling.hpp"
#include "SkiroEngine/Config.hpp"
#include "SkiroEngine/ScrollSample.hpp"

#include <map>

namespace skiro {

// Finds out from a few ordinary scrolls which way the user expects each device to go: the sign
// of the movement in the device's own direction, summed over one gesture, tells natural from
// standard. Knows nothing of windows or taps.
struct ScrollTest {
    // Movement along the axis one gesture (continuous, with a phase) needs before it answers.
    static constexpr double touchThreshold = 15.0;
    // The same for wheel steps and continuous scrolls without a phase.
    static constexpr double wheelThreshold = 2.0;
    // A longer gap, in seconds, starts a fresh try for scrolling without gestures.
    static constexpr double pause = 0.35;

    using Answers = std::map<Device, std::map<Axis, Direction>>;

    // The axis under test. Switching to another axis forgets gestures in progress, never answers.
    Axis axis() const { return axis_; }
    void setAxis(Axis axis);
    const Answers& found() const { return found_; }

    // Feeds one scroll: `vertical` and `horizontal` are the movement in the device's own
    // direction, `time` the scroll's time in seconds. True when it added or changed an answer.
    bool scrolled(const ScrollSample& sample, double vertical, double horizontal, double time);
    bool hasAnswer(Axis axis) const;
    // `config` with every answer found chosen (`Config::withDirection`); unchanged, still
    // following the system, while there is none.
    Config applied(Config config, bool systemNatural) const;

    bool operator==(const ScrollTest&) const = default;

private:
    struct Try {
        double along = 0;
        double across = 0;
        double last = 0;
        bool decided = false;

        bool operator==(const Try&) const = default;
    };

    Axis axis_ = Axis::vertical;
    Answers found_;
    std::map<Device, Try> tries_;
};

} // namespace skiro
