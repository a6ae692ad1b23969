#pragma once

#include "Platform/AppFramework.hpp"
#include "Platform/Simulated/SimulatedEvent.hpp"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace platform::simulated {

// One scroll as an application (or a test) sees it.
struct ScrollRecord {
    std::uint64_t serial = 0; // which scroll the system made, from 1
    EventType type = EventType::null;
    Measures vertical;
    Measures horizontal;
    bool continuous = false;
    std::int64_t phase = 0;
    std::int64_t momentum = 0;
    std::int64_t count = 0;
    EventFlags flags = 0;
    std::uint64_t timestamp = 0;
    Point location;
    // The HID event behind it: sender and movement in the device's own direction.
    std::optional<IOHIDEvent> hid;
    // As the application framework reads it.
    std::optional<AppScrollEvent> app;

    static ScrollRecord of(const SimulatedEvent& event, const AppFramework& framework);
    bool operator==(const ScrollRecord&) const = default;
};

// The application under the pointer: the end of the event stream. It keeps the latest scrolls
// it received, up to a fixed number, so that receiving allocates nothing.
class SimulatedApplication {
public:
    static constexpr std::size_t capacity = 1024;

    SimulatedApplication(std::int32_t processIdentifier, std::string name);

    std::int32_t processIdentifier() const { return process_; }
    const std::string& name() const { return name_; }

    ScrollRecord receive(const SimulatedEvent& event, const AppFramework& framework);

    // Oldest first; at most `capacity`.
    std::vector<ScrollRecord> received() const;
    std::uint64_t receivedCount() const;
    std::optional<ScrollRecord> last() const;
    void clear();

private:
    const std::int32_t process_;
    const std::string name_;
    mutable std::mutex mutex_;
    std::vector<ScrollRecord> ring_;
    std::uint64_t count_ = 0;
};

} // namespace platform::simulated
