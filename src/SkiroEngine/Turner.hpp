#pragma once

#include "SkiroEngine/ScrollSample.hpp"

#include <array>
#include <optional>

namespace skiro {

// Decides, per scroll, which axes to negate. A decision taken when a gesture begins is held for
// the whole gesture and its momentum, so one swipe is never turned halfway through.
// A plain value used from one thread: no locks, no allocation.
class Turner {
public:
    struct Settings {
        bool active = false;
        std::optional<Directions> directions;

        bool turnsAnything() const { return active && directions.has_value(); }
        bool operator==(const Settings&) const = default;
    };

    // `systemNatural` answers whether the system turns this scroll; it is called at most once,
    // and only when a new decision is taken with settings that turn something.
    template <class SystemNatural>
    Flip turn(const ScrollSample& sample, const Settings& settings, SystemNatural&& systemNatural) {
        auto decide = [&](std::optional<Axis> wheelFollows) {
            if (!settings.turnsAnything()) {
                return Flip::none;
            }
            return Flip::rule(sample.device, systemNatural(), *settings.directions, wheelFollows);
        };
        if (!sample.isGesture()) {
            return decide(sample.wheelFollows());
        }
        if (passing_ && !sample.startsGesture()) {
            if (sample.momentum == ScrollSample::Momentum::ended) {
                passing_ = false;
            }
            return Flip::none;
        }
        passing_ = false;
        std::optional<Flip>& held = gestures_[index(sample.device)];
        Flip decision = (sample.startsGesture() || !held) ? decide(std::nullopt) : *held;
        if (sample.momentum == ScrollSample::Momentum::ended) {
            held.reset();
        } else {
            held = decision;
        }
        return decision;
    }

    // Told when the pipeline let an event through without turning it: a gesture that began
    // untouched stays untouched to its end.
    void passed(bool continuous, std::int64_t phase, std::int64_t momentum);

    // No held decision flips anything.
    bool isIdle() const;

private:
    static constexpr std::size_t index(Device device) { return static_cast<std::size_t>(device); }

    std::array<std::optional<Flip>, 2> gestures_{};
    bool passing_ = false;
};

} // namespace skiro
