// Recording: what the tap sees of each scroll and what applications then receive, for a few
// seconds, written to a file.
#include "CorvaleCore/MainHop.hpp"
#include "Skiro/Tap/InputTap.hpp"
#include "Skiro/Tap/Recording.hpp"

#include <cmath>

namespace skiro {

platform::Event* InputTap::deliveredCallback(platform::EventType type, platform::Event& event,
                                             void* userInfo) {
    if (type == platform::EventType::scrollWheel) {
        static_cast<InputTap*>(userInfo)->delivered(event);
    }
    return &event;
}

void InputTap::record(double seconds, corvale::json::Json header, RecordingDone done) {
    // Made here, kept and filled on the tap thread; a recording already running is dropped
    // unwritten.
    auto made = std::make_shared<Recording>(std::move(header), clock_, system_.registry());
    performOnTapThread(
        corvale::weakly(weak_from_this(), [made](InputTap& self) { self.recording_ = made; }));
    // One delivered tap serves whichever recording runs: a later recording keeps it, so that
    // overlapping ones never see a scroll twice.
    if (!recordTap_) {
        recordTap_ = startDelivered(&deliveredCallback);
    }
    recordRun_ += 1;

    const double nanoseconds = std::isfinite(seconds) && seconds > 0 ? seconds * 1e9 : 0;
    const auto delay = std::chrono::nanoseconds(static_cast<std::int64_t>(
        std::min(nanoseconds, static_cast<double>(std::chrono::nanoseconds::max().count() / 2))));
    timer_(delay, [weak = weak_from_this(), run = recordRun_, mine = std::weak_ptr(made),
                   done = std::move(done), writes = writes_]() mutable {
        if (std::shared_ptr<InputTap> self = weak.lock()) {
            self->endRecording(run, std::move(mine), std::move(done));
        } else {
            writes.async([done = std::move(done)] { done(Recorded{}); });
        }
    });
}

void InputTap::endRecording(std::uint64_t run, std::weak_ptr<Recording> made, RecordingDone done) {
    if (run == recordRun_) {
        keeper_.remove(recordTap_);
    }
    performOnTapThread([weak = weak_from_this(), made = std::move(made), done = std::move(done),
                        writes = writes_]() mutable {
        // Only this call's own recording: one that replaced it runs on to its own end.
        std::shared_ptr<Recording> taken;
        bool replaced = false;
        if (std::shared_ptr<InputTap> self = weak.lock()) {
            std::shared_ptr<Recording> mine = made.lock();
            if (mine && self->recording_ == mine) {
                taken = std::move(self->recording_);
            } else {
                replaced = true;
            }
        }
        writes.async([taken = std::move(taken), done = std::move(done), replaced] {
            done(Recorded{taken ? taken->write() : std::nullopt, replaced});
        });
    });
}

void InputTap::note(corvale::json::Json line) {
    performOnTapThread(
        corvale::weakly(weak_from_this(), [line = std::move(line)](InputTap& self) mutable {
            if (self.recording_) {
                self.recording_->add(std::move(line), std::nullopt);
            }
        }));
}

void InputTap::delivered(const platform::Event& event) {
    if (!recording_) {
        return;
    }
    const std::uint64_t time = nanoseconds(event.timestamp());
    recording_->add(corvale::json::Json{{"kind", "delivered"},
                                        {"timestamp", time},
                                        {"deltas", Recording::deltas(event)},
                                        {"ns", Recording::ns(event, system_.appFramework())}},
                    time);
}

std::optional<Recording::Line> InputTap::recordingLine(const Arrival& arrival,
                                                       const platform::Event& event,
                                                       const ScrollSample& sample, Flip turned,
                                                       platform::IOHIDEvent* hid) {
    if (!arrival.recording) {
        return std::nullopt;
    }
    Recording::Line line =
        Recording::scroll(event, sample, turned, hid, nanoseconds(event.timestamp()),
                          Recording::Readers{system_.appFramework(), hid_});
    if (hid != nullptr && hid_.senderFunction != nullptr) {
        // Numbered here with what the cache knows; the registry is asked for the facts only
        // when the recording is written, off the tap thread.
        const std::uint64_t sender = hid_.senderFunction(hid);
        line["sender"] = recording_->sender(sender, devices_.known(sender));
    }
    return line;
}

void InputTap::recordScroll(Recording::Line line, const platform::Event& event,
                            platform::IOHIDEvent* hid, Flip turned, bool verified) {
    // What the rewrite left, when there was one.
    if (!turned.isNone()) {
        line["after"] = Recording::deltas(event);
        line["nsAfter"] = Recording::ns(event, system_.appFramework());
        if (hid != nullptr) {
            line["hidAfter"] = Recording::hidValues(hid, hid_);
        }
        line["readBack"] = verified;
    }
    recording_->add(std::move(line), nanoseconds(event.timestamp()));
}

} // namespace skiro
