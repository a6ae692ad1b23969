#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace skiro {

// The read-back check, on the tap thread: whether scrolls reach applications as the tap sent
// them, or another program's tap turns them back after ours. While on, every scroll leaving
// with a point delta is remembered in a fixed ring (the oldest dropped when full); each
// arriving scroll is matched with the oldest remembered one of the same size.
class ReadBackCheck {
public:
    // One scroll's point deltas.
    struct Sent {
        std::int64_t vertical = 0;
        std::int64_t horizontal = 0;
        bool operator==(const Sent&) const = default;
    };
    static constexpr std::size_t length = 64;

    // Values arriving as sent, with none turned back, that end the check.
    static constexpr std::int64_t asSentToEnd = 30;
    // Turned-back values (outnumbering the as-sent ones) that report "turned back".
    static constexpr std::int64_t turnedBackToReport = 5;
    // As-sent values after that report that report recovery.
    static constexpr std::int64_t asSentToRecover = 5;

    // What an arrival decided, for check run `run`.
    struct Verdict {
        std::uint64_t run = 0;
        bool turnedBack = false;
        bool ended = false; // the check is over
        bool operator==(const Verdict&) const = default;
    };

    // Empties the ring and starts the counts afresh for check run `run`.
    void start(std::uint64_t run);
    void stop() { checking_ = false; }
    bool checking() const { return checking_; }

    // A scroll leaving the tap; nothing while off or without a point delta.
    void remember(Sent sent);
    // What one arriving scroll did: whether it matched a remembered one, the counts it left
    // (before any verdict resets them), and a verdict when it settles something.
    struct Arrival {
        bool matched = false;
        std::int64_t asSent = 0;
        std::int64_t turnedBack = 0;
        std::optional<Verdict> verdict;
    };
    // A scroll reaching applications.
    Arrival arrived(Sent got);

    // Oldest first.
    std::vector<Sent> remembered() const;

private:
    bool checking_ = false;
    std::uint64_t run_ = 0;
    std::array<Sent, length> sent_{};
    std::size_t head_ = 0;
    std::size_t count_ = 0;
    std::int64_t asSent_ = 0;
    std::int64_t turnedBack_ = 0;
    bool reportedTurnedBack_ = false;
};

} // namespace skiro
