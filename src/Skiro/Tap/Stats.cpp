#include "Skiro/Tap/Stats.hpp"

#include <algorithm>

namespace skiro::tap {

void Cost::add(std::uint64_t nanoseconds) noexcept {
    count += 1;
    total += nanoseconds;
    if (nanoseconds > most) {
        most = nanoseconds;
    }
    const std::uint64_t microseconds = nanoseconds / 1000;
    std::size_t bucket = 0;
    while (bucket < bounds.size() && microseconds >= bounds[bucket]) {
        ++bucket;
    }
    spread[bucket] += 1;
}

void Cost::merge(const Cost& other) noexcept {
    count += other.count;
    total += other.total;
    most = std::max(most, other.most);
    for (std::size_t bucket = 0; bucket < spread.size(); ++bucket) {
        spread[bucket] += other.spread[bucket];
    }
}

corvale::json::Json Cost::report() const {
    const std::uint64_t average = count > 0 ? total / static_cast<std::uint64_t>(count) : 0;
    return corvale::json::Json{
        {"events", count},
        {"averageMicroseconds", static_cast<double>(average) / 1000.0},
        {"mostMicroseconds", static_cast<double>(most) / 1000.0},
        {"spread", spreadText()},
    };
}

std::string Cost::spreadText() const {
    std::string text;
    for (std::size_t bucket = 0; bucket < spread.size(); ++bucket) {
        if (spread[bucket] == 0) {
            continue;
        }
        if (!text.empty()) {
            text += ", ";
        }
        if (bucket < bounds.size()) {
            text += "under " + std::to_string(bounds[bucket]) + " \u00B5s";
        } else {
            text += std::to_string(bounds.back()) + " \u00B5s and over";
        }
        text += ": " + std::to_string(spread[bucket]);
    }
    return text.empty() ? "none yet" : text;
}

} // namespace skiro::tap
