#include "Skiro/Tap/ReadBackCheck.hpp"

#include <utility>

namespace skiro {

namespace {

// |value| without overflow.
std::uint64_t magnitude(std::int64_t value) {
    return value < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(value)
                     : static_cast<std::uint64_t>(value);
}

} // namespace

void ReadBackCheck::start(std::uint64_t run) {
    head_ = 0;
    count_ = 0;
    asSent_ = 0;
    turnedBack_ = 0;
    reportedTurnedBack_ = false;
    run_ = run;
    checking_ = true;
}

void ReadBackCheck::remember(Sent sent) {
    if (!checking_ || (sent.vertical == 0 && sent.horizontal == 0)) {
        return;
    }
    if (count_ == length) {
        head_ = (head_ + 1) % length;
        count_ -= 1;
    }
    sent_[(head_ + count_) % length] = sent;
    count_ += 1;
}

ReadBackCheck::Arrival ReadBackCheck::arrived(Sent got) {
    if (!checking_ || count_ == 0 || (got.vertical == 0 && got.horizontal == 0)) {
        return {};
    }

    // The oldest entry of the same size on both axes. Scrolls dropped or resized on the way
    // match nothing; entries older than a match went missing and go with it.
    std::size_t found = count_;
    for (std::size_t i = 0; i < count_; ++i) {
        const Sent& entry = sent_[(head_ + i) % length];
        if (magnitude(entry.vertical) == magnitude(got.vertical) &&
            magnitude(entry.horizontal) == magnitude(got.horizontal)) {
            found = i;
            break;
        }
    }
    if (found == count_) {
        return {};
    }
    const Sent entry = sent_[(head_ + found) % length];
    head_ = (head_ + found + 1) % length;
    count_ -= found + 1;

    const std::pair<std::int64_t, std::int64_t> axes[2] = {{entry.vertical, got.vertical},
                                                           {entry.horizontal, got.horizontal}};
    for (const auto& [sentValue, arrivedValue] : axes) {
        if (sentValue == 0) {
            continue;
        }
        // The sizes match: the same value, or its negation.
        (arrivedValue == sentValue ? asSent_ : turnedBack_) += 1;
    }

    Arrival arrival{true, asSent_, turnedBack_, std::nullopt};
    const std::int64_t asSent = asSent_;
    const std::int64_t turnedBack = turnedBack_;
    if (turnedBack < turnedBackToReport) {
        if (turnedBack == 0 && asSent >= asSentToEnd) {
            checking_ = false;
            arrival.verdict = Verdict{run_, false, true};
            return arrival;
        }
    } else if (asSent < turnedBack && !reportedTurnedBack_) {
        reportedTurnedBack_ = true;
        asSent_ = 0;
        arrival.verdict = Verdict{run_, true, false};
        return arrival;
    }
    // Recovery: scrolls arrive as sent again after a report. The check goes on, and ends once
    // the as-sent values counted since the report reach the end with none turned back.
    if (asSent >= asSentToRecover && reportedTurnedBack_) {
        turnedBack_ = 0;
        reportedTurnedBack_ = false;
        arrival.verdict = Verdict{run_, false, false};
    }
    return arrival;
}

std::vector<ReadBackCheck::Sent> ReadBackCheck::remembered() const {
    std::vector<Sent> entries;
    entries.reserve(count_);
    for (std::size_t i = 0; i < count_; ++i) {
        entries.push_back(sent_[(head_ + i) % length]);
    }
    return entries;
}

} // namespace skiro
