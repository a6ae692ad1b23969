#pragma once

// An InputTap on a RunLoopThread of a simulated system, its answers handed to the main queue,
// which the test runs. `LiveTap` starts it the way the application does (its own taps);
// `TapHarness` hands it scrolls through a plain tap of its own that counts allocations.
#include "CorvaleCore/Dispatch.hpp"
#include "CorvaleCore/Files.hpp"
#include "CorvaleCore/Json.hpp"
#include "CorvaleCore/LogStore.hpp"
#include "CorvaleCore/MainLoop.hpp"
#include "Platform/Simulated/SimulatedSystem.hpp"
#include "Skiro/Tap/InputTap.hpp"
#include "Skiro/Tap/RunLoopThread.hpp"
#include "Skiro/Tap/ScrollFields.hpp"
#include "Support/Framework.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <type_traits>
#include <vector>

namespace skiro::test {

using namespace platform;
using namespace platform::simulated;
using corvale::json::Json;

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

// A recording's lines, each parsed; fails the test on a line that is not JSON.
inline std::vector<Json> readRecording(const std::filesystem::path& file) {
    std::optional<std::string> text = corvale::readFile(file);
    EXPECT_TRUE(text) << file;
    std::vector<Json> lines;
    std::istringstream in(text.value_or(""));
    for (std::string line; std::getline(in, line);) {
        lines.push_back(corvale::json::parse(line));
    }
    return lines;
}

inline std::vector<Json> ofKind(const std::vector<Json>& lines, const std::string& kind) {
    std::vector<Json> found;
    for (const Json& line : lines) {
        if (line.value("kind", "") == kind) {
            found.push_back(line);
        }
    }
    return found;
}

// A registry whose every answer waits until `open`: a slow registry. It notes which threads
// asked.
class GatedRegistry final : public Registry {
public:
    explicit GatedRegistry(const Registry& inner) : inner_(inner) {}
    ~GatedRegistry() override { open(); }

    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        opened_.notify_all();
    }
    bool askedFrom(std::thread::id thread) const {
        std::lock_guard lock(mutex_);
        return askers_.contains(thread);
    }

    const RegistryNames& names() const override { return inner_.names(); }
    std::optional<RegistryEntry> service(std::uint64_t entryID) const override {
        wait();
        return inner_.service(entryID);
    }
    std::uint64_t entryID(RegistryEntry entry) const override {
        wait();
        return inner_.entryID(entry);
    }
    std::string className(RegistryEntry entry) const override {
        wait();
        return inner_.className(entry);
    }
    bool conformsTo(RegistryEntry entry, std::string_view className) const override {
        wait();
        return inner_.conformsTo(entry, className);
    }
    std::optional<RegistryEntry> parent(RegistryEntry entry,
                                        std::string_view plane) const override {
        wait();
        return inner_.parent(entry, plane);
    }
    std::optional<RegistryProperty> property(RegistryEntry entry,
                                             std::string_view key) const override {
        wait();
        return inner_.property(entry, key);
    }
    std::optional<std::vector<RegistryEntry>> entries(std::string_view plane,
                                                      std::string_view key) const override {
        wait();
        return inner_.entries(plane, key);
    }

private:
    void wait() const {
        std::unique_lock lock(mutex_);
        askers_.insert(std::this_thread::get_id());
        opened_.wait(lock, [this] { return open_; });
    }

    const Registry& inner_;
    mutable std::mutex mutex_;
    mutable std::condition_variable opened_;
    mutable std::set<std::thread::id> askers_;
    bool open_ = false;
};

// A simulated system seen through another registry.
class WithRegistry final : public System {
public:
    WithRegistry(SimulatedSystem& system, Registry& registry)
        : system_(system), registry_(registry) {}

    const SystemNames& names() const override { return system_.names(); }
    EventTaps& eventTaps() override { return system_.eventTaps(); }
    Events& events() override { return system_.events(); }
    RunLoops& runLoops() override { return system_.runLoops(); }
    Symbols& symbols() override { return system_.symbols(); }
    Registry& registry() override { return registry_; }
    Permissions& permissions() override { return system_.permissions(); }
    Preferences& preferences() override { return system_.preferences(); }
    NotificationCenter& distributedNotifications() override {
        return system_.distributedNotifications();
    }
    Workspace& workspace() override { return system_.workspace(); }
    Clock& clock() override { return system_.clock(); }
    AppFramework& appFramework() override { return system_.appFramework(); }
    RunningApplications& runningApplications() override { return system_.runningApplications(); }
    SystemFacts& facts() override { return system_.facts(); }
    HotKeys& hotKeys() override { return system_.hotKeys(); }
    KeyboardLayout& keyboardLayout() override { return system_.keyboardLayout(); }
    platform::LoginItem& loginItem() override { return system_.loginItem(); }

private:
    SimulatedSystem& system_;
    Registry& registry_;
};

class LiveTap {
public:
    LiveTap() : LiveTap(true) {}
    explicit LiveTap(bool testHooks) {
        corvale::MainLoop::shared().drain();
        // Ordinary lines are kept only with detailed logging.
        corvale::Log::setDetailed(true);
        makeTap(testHooks);
    }
    ~LiveTap() {
        if (slowRegistry) {
            slowRegistry->open();
        }
        openLookups();
        if (tap) {
            tap->stop(false);
        }
        lookups.sync([] {});
        sync();
        writes.sync([] {});
        corvale::MainLoop::shared().drain();
        tap.reset();
    }
    LiveTap(const LiveTap&) = delete;
    LiveTap& operator=(const LiveTap&) = delete;

    corvale::test::ScopedLog log;
    SimulatedSystem system;
    RunLoopThread input{"skiro.input", system.runLoops()};
    corvale::DispatchQueue lookups{"skiro.tests.lookups", corvale::QualityOfService::userInitiated};
    // Recordings are written here; their ends wait in `timers` until the test fires them.
    corvale::DispatchQueue writes{"skiro.tests.writes", corvale::QualityOfService::utility};
    struct Timer {
        std::chrono::nanoseconds delay;
        std::function<void()> fire;
    };
    std::vector<Timer> timers;
    std::shared_ptr<InputTap> tap;
    std::vector<InputTap::Trouble> troubles;
    std::vector<bool> verdicts;
    // Set when the tap sees the registry through a gate (HarnessOptions::slowRegistry).
    std::unique_ptr<GatedRegistry> slowRegistry;

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
    // Everything queued on the tap thread so far has run.
    void sync() {
        onTap([] {});
    }
    // Registry lookups started so far have answered, and everything the tap thread handed to
    // the main queue so far has run there.
    void settle() {
        lookups.sync([] {});
        sync();
        corvale::MainLoop::shared().drain();
    }
    // Holds back every registry lookup queued after it until `openLookups`.
    void closeLookups() {
        gate_ = std::make_unique<std::promise<void>>();
        lookups.async([opened = gate_->get_future().share()] { opened.wait(); });
    }
    void openLookups() {
        if (gate_) {
            gate_->set_value();
            gate_.reset();
        }
    }
    InputTap::Stats stats() const { return tap->stats(); }

    // The log lines of `category`, oldest first.
    static std::vector<std::string> messages(const std::string& category = "tap",
                                             bool errorsOnly = false) {
        std::vector<std::string> lines;
        for (const corvale::LogEntry& entry :
             corvale::LogStore::shared().entries({}, corvale::Log::subsystem())) {
            if (entry.category == category &&
                (!errorsOnly || entry.level == corvale::LogLevel::error)) {
                lines.push_back(entry.message);
            }
        }
        return lines;
    }
    static std::size_t count(const std::string& message, const std::string& category = "tap") {
        const std::vector<std::string> lines = messages(category);
        return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), message));
    }

    // This process's tap at `location` with `options`, as the system keeps it.
    std::shared_ptr<TapCore> platformTap(TapLocation location = TapLocation::hid,
                                         TapOptions options = TapOptions::defaultTap) {
        auto id = system.taps().tapOfThisProcess(location, options);
        return id ? system.taps().find(*id) : nullptr;
    }
    std::shared_ptr<TapCore> sentinelTap() {
        return platformTap(TapLocation::session, TapOptions::listenOnly);
    }
    std::shared_ptr<TapCore> checkTap() {
        return platformTap(TapLocation::annotatedSession, TapOptions::listenOnly);
    }
    // Another program's tap after ours that negates every scroll; its id.
    std::uint32_t addFlipper() {
        return system.taps().addOtherTap(
            system.applications().launch("Flipper"), TapLocation::session, TapPlacement::tailAppend,
            TapOptions::defaultTap, eventMaskBit(EventType::scrollWheel),
            otherTap::negateScrollDeltas());
    }

protected:
    std::unique_ptr<WithRegistry> seenThrough_;

    void makeTap(bool testHooks, System* seenThrough = nullptr) {
        tap = InputTap::make(seenThrough != nullptr ? *seenThrough : system, input.runLoop(),
                             InputTap::Options{.testHooks = testHooks,
                                               .lookups = lookups,
                                               .timer =
                                                   [this](std::chrono::nanoseconds delay,
                                                          std::function<void()> fire) {
                                                       timers.push_back({delay, std::move(fire)});
                                                   },
                                               .writes = writes});
        tap->setOnTrouble([this](InputTap::Trouble trouble) { troubles.push_back(trouble); });
        tap->readBack().setOnCheck([this](bool turnedBack) { verdicts.push_back(turnedBack); });
    }

private:
    std::unique_ptr<std::promise<void>> gate_;
};

struct HarnessOptions {
    bool testHooks = false;
    // The tap sees the registry through a gate that holds every answer until it opens.
    bool slowRegistry = false;
    // HID functions the system does not provide (looked up when the tap is made).
    std::vector<std::string_view> missingFunctions = {};
};

// The tap not started: scrolls reach `scrolled` through a plain tap at the head of the HID
// stream, which notes the scrolls during which it allocated.
class TapHarness : public LiveTap {
public:
    TapHarness() : TapHarness(HarnessOptions{}) {}
    explicit TapHarness(HarnessOptions options) : LiveTap(options.testHooks) {
        for (std::string_view name : options.missingFunctions) {
            system.simulatedSymbols().setMissing(name, true);
        }
        if (options.slowRegistry) {
            slowRegistry = std::make_unique<GatedRegistry>(system.registry());
            seenThrough_ = std::make_unique<WithRegistry>(system, *slowRegistry);
        }
        if (!options.missingFunctions.empty() || seenThrough_) {
            makeTap(options.testHooks, seenThrough_.get());
        }
        eventTap_ = system.eventTaps().create(TapLocation::hid, TapPlacement::headInsert,
                                              TapOptions::defaultTap,
                                              eventMaskBit(EventType::scrollWheel), &counted, this);
        source_ = eventTap_->createRunLoopSource();
        input.runLoop().addSource(*source_);
    }
    ~TapHarness() {
        openLookups();
        sync();
        source_.reset();
        eventTap_.reset();
    }

    // Scrolls during which `scrolled` allocated, and how many scrolls it handled.
    std::uint64_t allocatingScrolls() const { return allocating_.load(); }
    std::uint64_t handled() const { return handled_.load(); }

private:
    static Event* counted(EventType type, Event& event, void* userInfo) {
        auto& self = *static_cast<TapHarness*>(userInfo);
        if (type == EventType::scrollWheel) {
            const std::uint64_t before = allocationsOnThisThread();
            self.tap->scrolled(event);
            if (allocationsOnThisThread() != before) {
                self.allocating_.fetch_add(1);
            }
            self.handled_.fetch_add(1);
        }
        return &event;
    }

    std::unique_ptr<EventTap> eventTap_;
    std::unique_ptr<RunLoopSource> source_;
    std::atomic<std::uint64_t> allocating_{0};
    std::atomic<std::uint64_t> handled_{0};
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
