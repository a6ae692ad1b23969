#pragma once

#include "SkiroEngine/Turner.hpp"

#include <atomic>
#include <cstdint>
#include <optional>

namespace skiro {

// Turner::Settings in one byte (active, directions present, then one bit per direction set to
// standard), so that every scroll reads a whole copy with one atomic load and never waits.
class PackedSettings {
public:
    static_assert(allCases<Direction>.size() == 2, "a direction is one bit");

    static constexpr std::uint8_t pack(const Turner::Settings& settings) {
        std::uint8_t bits = settings.active ? 1 : 0;
        if (const std::optional<Directions>& directions = settings.directions) {
            bits |= 2;
            const Direction each[4] = {directions->trackpadVertical, directions->trackpadHorizontal,
                                       directions->mouseVertical, directions->mouseHorizontal};
            for (int i = 0; i < 4; ++i) {
                if (each[i] == Direction::standard) {
                    bits |= static_cast<std::uint8_t>(4 << i);
                }
            }
        }
        return bits;
    }

    static constexpr Turner::Settings unpack(std::uint8_t bits) {
        Turner::Settings settings{(bits & 1) != 0, std::nullopt};
        if ((bits & 2) != 0) {
            auto at = [bits](int i) {
                return (bits & (4 << i)) != 0 ? Direction::standard : Direction::natural;
            };
            settings.directions = Directions{at(0), at(1), at(2), at(3)};
        }
        return settings;
    }

    // Active, with directions.
    static constexpr bool turnsAnything(std::uint8_t bits) { return (bits & 3) == 3; }

    std::uint8_t bits() const { return bits_.load(std::memory_order_acquire); }
    Turner::Settings load() const { return unpack(bits()); }
    void store(const Turner::Settings& settings) {
        bits_.store(pack(settings), std::memory_order_release);
    }

private:
    std::atomic<std::uint8_t> bits_{pack(Turner::Settings{})};
};

} // namespace skiro
