// The read-back check: whether scrolls reach applications as the tap sent them, or another
// program's tap turns them back after ours.
#include "Skiro/Tap/InputTap.hpp"
#include "Skiro/Tap/Logs.hpp"

namespace skiro {

namespace {

// Values arriving as sent, with none turned back, that end the check.
constexpr std::int64_t asSentToEnd = 30;
// Turned-back values (outnumbering the as-sent ones) that report "turned back".
constexpr std::int64_t turnedBackToReport = 5;
// As-sent values after that report that report recovery.
constexpr std::int64_t asSentToRecover = 5;

// |value| without overflow.
std::uint64_t magnitude(std::int64_t value) {
    return value < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(value)
                     : static_cast<std::uint64_t>(value);
}

} // namespace

platform::Event* InputTap::arrivedCallback(platform::EventType type, platform::Event& event,
                                           void* userInfo) {
    if (type == platform::EventType::scrollWheel) {
        static_cast<InputTap*>(userInfo)->arrived(event);
    }
    return &event;
}

void InputTap::check() {
    if (!tap_) {
        return;
    }
    if (!checkTap_) {
        checkTap_ = startDelivered(&arrivedCallback);
    }
    checkRun_ += 1;
    performOnTapThread([weak = weak_from_this(), run = checkRun_] {
        if (std::shared_ptr<InputTap> self = weak.lock()) {
            self->setChecking(true);
            self->arrivingRun_ = run;
        }
    });
}

void InputTap::verdict(std::uint64_t run, bool turnedBack, bool ended) {
    onMain([run, turnedBack, ended](InputTap& self) {
        if (run != self.checkRun_) {
            return;
        }
        if (ended) {
            self.stopCheck();
        }
        if (OnCheck onCheck = self.onCheck_) {
            onCheck(turnedBack);
        }
    });
}

std::optional<InputTap::Port> InputTap::startDelivered(platform::TapCallback callback) {
    return startListening(platform::TapLocation::annotatedSession,
                          platform::eventMaskBit(platform::EventType::scrollWheel), callback,
                          "Couldn't make the delivered tap.");
}

void InputTap::stopCheck() {
    if (checkTap_) {
        checkTap_->tap->enable(false);
    }
    removePort(checkTap_);
}

void InputTap::arrived(const platform::Event& event) {
    if (!checking_ || sentCount_ == 0) {
        return;
    }
    const Sent got{event.integerValue(eventField(DeltaField::point, Axis::vertical)),
                   event.integerValue(eventField(DeltaField::point, Axis::horizontal))};
    if (got.vertical == 0 && got.horizontal == 0) {
        return;
    }

    // The oldest entry of the same size on both axes. Scrolls dropped or resized on the way
    // match nothing; entries older than a match went missing and go with it.
    std::size_t found = sentCount_;
    for (std::size_t i = 0; i < sentCount_; ++i) {
        const Sent& entry = sent_[(sentHead_ + i) % sentLength];
        if (magnitude(entry.vertical) == magnitude(got.vertical) &&
            magnitude(entry.horizontal) == magnitude(got.horizontal)) {
            found = i;
            break;
        }
    }
    if (found == sentCount_) {
        return;
    }
    const Sent entry = sent_[(sentHead_ + found) % sentLength];
    sentHead_ = (sentHead_ + found + 1) % sentLength;
    sentCount_ -= found + 1;

    const std::pair<std::int64_t, std::int64_t> axes[2] = {{entry.vertical, got.vertical},
                                                           {entry.horizontal, got.horizontal}};
    for (const auto& [sentValue, arrivedValue] : axes) {
        if (sentValue == 0) {
            continue;
        }
        // The sizes match: the same value, or its negation.
        if (arrivedValue == sentValue) {
            arrivedAsSent_ += 1;
        } else {
            arrivedTurnedBack_ += 1;
        }
    }
    updateStats([&](Stats& stats) {
        stats.checkAsSent = arrivedAsSent_;
        stats.checkTurnedBack = arrivedTurnedBack_;
        stats.checking = true;
    });

    const std::int64_t asSent = arrivedAsSent_;
    const std::int64_t turnedBack = arrivedTurnedBack_;
    if (turnedBack < turnedBackToReport) {
        if (turnedBack == 0 && asSent >= asSentToEnd) {
            checking_ = false;
            verdict(arrivingRun_, false, true);
            return;
        }
    } else if (asSent < turnedBack && !reportedTurnedBack_) {
        reportedTurnedBack_ = true;
        arrivedAsSent_ = 0;
        verdict(arrivingRun_, true, false);
        return;
    }
    // Recovery: scrolls arrive as sent again after a report. The check goes on, and ends once
    // the as-sent values counted since the report reach the end with none turned back.
    if (asSent >= asSentToRecover && reportedTurnedBack_) {
        arrivedTurnedBack_ = 0;
        reportedTurnedBack_ = false;
        verdict(arrivingRun_, false, false);
    }
}

} // namespace skiro
