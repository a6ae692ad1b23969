#include "Platform/Simulated/SimulatedApplication.hpp"

namespace platform::simulated {

ScrollRecord ScrollRecord::of(const SimulatedEvent& event, const AppFramework& framework) {
    ScrollRecord r;
    r.serial = event.serial();
    r.type = event.type();
    r.vertical = event.measures(0);
    r.horizontal = event.measures(1);
    r.continuous = event.integerValue(field::scrollWheelEventIsContinuous) != 0;
    r.phase = event.integerValue(field::scrollWheelEventScrollPhase);
    r.momentum = event.integerValue(field::scrollWheelEventMomentumPhase);
    r.count = event.integerValue(field::scrollWheelEventScrollCount);
    r.flags = event.flags();
    r.timestamp = event.timestamp();
    r.location = event.location();
    if (const IOHIDEvent* hid = event.hidEvent()) {
        r.hid = *hid;
    }
    r.app = framework.scrollEvent(event);
    return r;
}

SimulatedApplication::SimulatedApplication(std::int32_t processIdentifier, std::string name)
    : process_(processIdentifier), name_(std::move(name)), ring_(capacity) {}

ScrollRecord SimulatedApplication::receive(const SimulatedEvent& event,
                                           const AppFramework& framework) {
    ScrollRecord record = ScrollRecord::of(event, framework);
    std::lock_guard lock(mutex_);
    ring_[count_ % capacity] = record;
    ++count_;
    return record;
}

std::vector<ScrollRecord> SimulatedApplication::received() const {
    std::lock_guard lock(mutex_);
    std::vector<ScrollRecord> records;
    std::uint64_t kept = std::min<std::uint64_t>(count_, capacity);
    for (std::uint64_t i = count_ - kept; i < count_; ++i) {
        records.push_back(ring_[i % capacity]);
    }
    return records;
}

std::uint64_t SimulatedApplication::receivedCount() const {
    std::lock_guard lock(mutex_);
    return count_;
}

std::optional<ScrollRecord> SimulatedApplication::last() const {
    std::lock_guard lock(mutex_);
    if (count_ == 0) {
        return std::nullopt;
    }
    return ring_[(count_ - 1) % capacity];
}

void SimulatedApplication::clear() {
    std::lock_guard lock(mutex_);
    count_ = 0;
}

} // namespace platform::simulated
