#include "SkiroEngine/ScrollTest.hpp"

#include <array>
#include <cmath>

namespace skiro {

void ScrollTest::setAxis(Axis axis) {
    if (axis != axis_) {
        axis_ = axis;
        tries_.clear();
    }
}

bool ScrollTest::scrolled(const ScrollSample& sample, double vertical, double horizontal,
                          double time) {
    // Momentum only coasts on after the fingers left: it says nothing about the user.
    if (sample.isCoast()) {
        return false;
    }
    const double along = axis_ == Axis::vertical ? vertical : horizontal;
    const double across = axis_ == Axis::vertical ? horizontal : vertical;
    // Momentum is out, so a gesture is a continuous scroll with a phase.
    const bool gesture = sample.isGesture();
    const double threshold = gesture ? touchThreshold : wheelThreshold;

    Try current;
    bool known = false;
    if (auto it = tries_.find(sample.device); it != tries_.end()) {
        current = it->second;
        known = true;
    }
    bool afresh = false;
    if (gesture) {
        afresh = sample.startsGesture();
    } else if (known) {
        afresh = time - current.last > pause;
        // A reversal of the wheel is a new try, so one turn back does not cancel the other.
        if (along != 0 && current.along != 0 && ((along > 0) != (current.along > 0))) {
            afresh = true;
        }
    }
    if (afresh || !known) {
        current = Try{};
    }
    current.along += along;
    current.across += std::fabs(across);
    current.last = time;

    bool changed = false;
    if (!current.decided && std::fabs(current.along) >= threshold &&
        current.across <= std::fabs(current.along)) {
        const Direction answer = current.along > 0 ? Direction::natural : Direction::standard;
        auto& answers = found_[sample.device];
        auto it = answers.find(axis_);
        changed = it == answers.end() || it->second != answer;
        answers[axis_] = answer;
        current.decided = true;
    }
    tries_[sample.device] = current;
    return changed;
}

bool ScrollTest::hasAnswer(Axis axis) const {
    for (const auto& [device, answers] : found_) {
        if (answers.contains(axis)) {
            return true;
        }
    }
    return false;
}

Config ScrollTest::applied(Config config, bool systemNatural) const {
    for (const auto& [device, answers] : found_) {
        for (const auto& [axis, direction] : answers) {
            config = config.withDirection(device, std::array{axis}, direction, systemNatural);
        }
    }
    return config;
}

} // namespace skiro
