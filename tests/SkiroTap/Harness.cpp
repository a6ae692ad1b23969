#include "Harness.hpp"

namespace skiro::test {

TapHarness::TapHarness(Options options) {
    for (std::string_view name : options.missingFunctions) {
        system.simulatedSymbols().setMissing(name, true);
    }
    tap = InputTap::make(system, input.runLoop(),
                         InputTap::Options{.testHooks = options.testHooks,
                                           .lookups = lookups,
                                           .timer = {},
                                           .writes = std::nullopt});
    eventTap_ = system.eventTaps().create(TapLocation::hid, TapPlacement::headInsert,
                                          TapOptions::defaultTap,
                                          eventMaskBit(EventType::scrollWheel), &callback, this);
    source_ = eventTap_->createRunLoopSource();
    input.runLoop().addSource(*source_);
}

TapHarness::~TapHarness() {
    openLookups();
    settle();
    source_.reset();
    eventTap_.reset();
    tap.reset();
    // Reports still queued for the main thread find the tap gone.
    corvale::MainLoop::shared().drain();
}

Event* TapHarness::callback(EventType type, Event& event, void* userInfo) {
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

void TapHarness::settle() {
    lookups.sync([] {});
    onTap([] {});
}

void TapHarness::closeLookups() {
    gate_ = std::make_unique<std::promise<void>>();
    lookups.async([opened = gate_->get_future().share()] { opened.wait(); });
}

void TapHarness::openLookups() {
    if (gate_) {
        gate_->set_value();
        gate_.reset();
    }
}

std::shared_ptr<TapCore> TapHarness::platformTap() {
    auto id = system.taps().tapOfThisProcess(TapLocation::hid, TapOptions::defaultTap);
    return id ? system.taps().find(*id) : nullptr;
}

} // namespace skiro::test
