#include "Skiro/Tap/Recorder.hpp"
#include "CorvaleCore/MainHop.hpp"
#include "Skiro/Tap/RunLoopThread.hpp"

#include <algorithm>
#include <cmath>

namespace skiro {

platform::Event* Recorder::deliveredCallback(platform::EventType type, platform::Event& event,
                                             void* userInfo) {
    if (type == platform::EventType::scrollWheel) {
        static_cast<Recorder*>(userInfo)->delivered(event);
    }
    return &event;
}

void Recorder::record(double seconds, corvale::json::Json header, Done done) {
    // Made here, kept and filled on the tap thread; a recording already running is dropped
    // unwritten.
    auto made = std::make_shared<Recording>(std::move(header), parts_.system.clock(),
                                            parts_.system.registry());
    performSoon(parts_.tapLoop, corvale::weakly(parts_.owner.weak(), *this, [made](Recorder& self) {
                    self.recording_ = made;
                }));
    // One delivered tap serves whichever recording runs: a later recording keeps it, so that
    // overlapping ones never see a scroll twice.
    if (!tap_) {
        tap_ = parts_.keeper.listen(platform::TapLocation::annotatedSession,
                                    platform::eventMaskBit(platform::EventType::scrollWheel),
                                    &deliveredCallback, this, "Couldn't make the delivered tap.");
    }
    run_ += 1;

    const double nanoseconds = std::isfinite(seconds) && seconds > 0 ? seconds * 1e9 : 0;
    const auto delay = std::chrono::nanoseconds(static_cast<std::int64_t>(
        std::min(nanoseconds, static_cast<double>(std::chrono::nanoseconds::max().count() / 2))));
    parts_.timer(delay,
                 [owner = parts_.owner.weak(), self = this, run = run_, mine = std::weak_ptr(made),
                  done = std::move(done), writes = parts_.writes]() mutable {
                     if (std::shared_ptr<const void> held = owner.lock()) {
                         self->end(run, std::move(mine), std::move(done));
                     } else {
                         writes.async([done = std::move(done)] { done(Recorded{}); });
                     }
                 });
}

void Recorder::end(std::uint64_t run, std::weak_ptr<Recording> made, Done done) {
    if (run == run_) {
        parts_.keeper.remove(tap_);
    }
    performSoon(parts_.tapLoop, [owner = parts_.owner.weak(), self = this, made = std::move(made),
                                 done = std::move(done), writes = parts_.writes]() mutable {
        // Only this call's own recording: one that replaced it runs on to its own end.
        std::shared_ptr<Recording> taken;
        bool replaced = false;
        if (std::shared_ptr<const void> held = owner.lock()) {
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

void Recorder::note(corvale::json::Json line) {
    performSoon(parts_.tapLoop, corvale::weakly(parts_.owner.weak(), *this,
                                                [line = std::move(line)](Recorder& self) mutable {
                                                    if (self.recording_) {
                                                        self.recording_->add(std::move(line),
                                                                             std::nullopt);
                                                    }
                                                }));
}

void Recorder::delivered(const platform::Event& event) {
    if (!recording_) {
        return;
    }
    const std::uint64_t time = parts_.times.nanoseconds(event.timestamp());
    recording_->add(corvale::json::Json{{"kind", "delivered"},
                                        {"timestamp", time},
                                        {"deltas", Recording::deltas(event)},
                                        {"ns", Recording::ns(event, parts_.system.appFramework())}},
                    time);
}

std::optional<Recording::Line> Recorder::line(const platform::Event& event,
                                              const ScrollSample& sample, Flip turned,
                                              platform::IOHIDEvent* hid) {
    if (!recording_) {
        return std::nullopt;
    }
    Recording::Line line =
        Recording::scroll(event, sample, turned, hid, parts_.times.nanoseconds(event.timestamp()),
                          Recording::Readers{parts_.system.appFramework(), parts_.hid});
    if (hid != nullptr && parts_.hid.senderFunction != nullptr) {
        // Numbered here with what the cache knows; the registry is asked for the facts only
        // when the recording is written, off the tap thread.
        const std::uint64_t sender = parts_.hid.senderFunction(hid);
        line["sender"] = recording_->sender(sender, parts_.devices.known(sender));
    }
    return line;
}

void Recorder::scroll(Recording::Line line, const platform::Event& event, platform::IOHIDEvent* hid,
                      Flip turned, bool verified) {
    // What the rewrite left, when there was one.
    if (!turned.isNone()) {
        line["after"] = Recording::deltas(event);
        line["nsAfter"] = Recording::ns(event, parts_.system.appFramework());
        if (hid != nullptr) {
            line["hidAfter"] = Recording::hidValues(hid, parts_.hid);
        }
        line["readBack"] = verified;
    }
    recording_->add(std::move(line), parts_.times.nanoseconds(event.timestamp()));
}

} // namespace skiro
