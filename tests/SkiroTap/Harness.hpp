#pragma once

// An InputTap on a real tap thread of a simulated system: a tap made through the platform whose
// callback hands scrolls to `scrolled`, attached to a run-loop thread, so that scrolls posted
// from the test reach the pipeline as the system would deliver them.
#include "CorvaleCore/Dispatch.hpp"
#include "CorvaleCore/MainLoop.hpp"
#include "PlatformSimulated/TestTaps.hpp"
#include "Skiro/Tap/InputTap.hpp"
#include "Skiro/Tap/RunLoopThread.hpp"

#include <atomic>
#include <cstdint>
#include <future>
#include <memory>
#include <string_view>
#include <type_traits>
#include <vector>

namespace skiro::test {

using namespace platform;
using namespace platform::simulated;

// Allocations made by the calling thread so far (operator new is counted in this program).
std::uint64_t allocationsOnThisThread();

// Directions that turn the trackpad, or the mouse, against a system left at natural.
inline const Directions trackpadStandard{Direction::standard, Direction::standard,
                                         Direction::standard, Direction::standard};
inline const Directions mouseStandard{Direction::natural, Direction::natural, Direction::standard,
                                      Direction::standard};
inline const Directions allNatural{Direction::natural, Direction::natural, Direction::natural,
                                   Direction::natural};

inline Turner::Settings turning(const Directions& directions) {
    return Turner::Settings{true, directions};
}
inline const Turner::Settings paused{false, trackpadStandard};

struct HarnessOptions {
    bool testHooks = false;
    // HID functions the system does not provide (looked up when the tap is made).
    std::vector<std::string_view> missingFunctions = {};
};

class TapHarness {
public:
    using Options = HarnessOptions;

    TapHarness() : TapHarness(Options{}) {}
    explicit TapHarness(Options options);
    ~TapHarness();
    TapHarness(const TapHarness&) = delete;
    TapHarness& operator=(const TapHarness&) = delete;

    SimulatedSystem system;
    RunLoopThread input{"skiro.input", system.runLoops()};
    corvale::DispatchQueue lookups{"skiro.tests.lookups", corvale::QualityOfService::userInitiated};
    std::shared_ptr<InputTap> tap;

    // Runs `work` on the tap thread and returns what it returns.
    template <class Work>
    auto onTap(Work work) {
        using Result = std::invoke_result_t<Work>;
        std::promise<Result> done;
        auto result = done.get_future();
        input.runLoop().perform([&] {
            if constexpr (std::is_void_v<Result>) {
                work();
                done.set_value();
            } else {
                done.set_value(work());
            }
        });
        input.runLoop().wakeUp();
        return result.get();
    }

    // Registry lookups started so far have finished and their answers reached the tap thread.
    void settle();

    // Holds back every registry lookup queued after it until `open()`.
    void closeLookups();
    void openLookups();

    // Scrolls during which `scrolled` allocated, and how many scrolls it handled.
    std::uint64_t allocatingScrolls() const { return allocating_.load(); }
    std::uint64_t handled() const { return handled_.load(); }

    // The platform tap, as the system keeps it.
    std::shared_ptr<TapCore> platformTap();

    // The stats once everything posted so far has been handled.
    InputTap::Stats stats() const { return tap->stats(); }

private:
    static Event* callback(EventType type, Event& event, void* userInfo);

    std::unique_ptr<EventTap> eventTap_;
    std::unique_ptr<RunLoopSource> source_;
    std::atomic<std::uint64_t> allocating_{0};
    std::atomic<std::uint64_t> handled_{0};
    std::unique_ptr<std::promise<void>> gate_;
};

// An event that notes every field written, in order, and otherwise is the event it wraps.
class SpyEvent final : public Event {
public:
    explicit SpyEvent(SimulatedEvent inner) : inner_(std::move(inner)) {}

    EventType type() const override { return inner_.type(); }
    std::int64_t integerValue(EventField field) const override {
        return inner_.integerValue(field);
    }
    double doubleValue(EventField field) const override { return inner_.doubleValue(field); }
    void setIntegerValue(EventField field, std::int64_t value) override {
        writes.push_back(field);
        inner_.setIntegerValue(field, value);
    }
    void setDoubleValue(EventField field, double value) override {
        writes.push_back(field);
        inner_.setDoubleValue(field, value);
    }
    EventFlags flags() const override { return inner_.flags(); }
    std::uint64_t timestamp() const override { return inner_.timestamp(); }
    Point location() const override { return inner_.location(); }
    std::unique_ptr<Event> copy() const override { return inner_.copy(); }

    SimulatedEvent& inner() { return inner_; }

    std::vector<EventField> writes;

private:
    SimulatedEvent inner_;
};

} // namespace skiro::test
