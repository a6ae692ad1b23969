// Run loops of the simulated system: blocks run on the loop's thread once it is woken, a loop
// with nothing attached finishes at once, stop ends a run.
#include "TestTaps.hpp"

#include <gtest/gtest.h>

#include <future>

namespace platform::simulated {
namespace {

using namespace std::chrono_literals;

TEST(RunLoop, APerformedBlockRunsWhenTheLoopIsWoken) {
    SimulatedSystem system;
    RunLoop& here = system.runLoops().current();
    std::vector<int> ran;
    here.perform([&] { ran.push_back(1); });
    EXPECT_FALSE(here.runOnce(0ns)) << "queued, but nothing woke the loop";
    EXPECT_TRUE(ran.empty());
    here.perform([&] { ran.push_back(2); });
    here.wakeUp();
    EXPECT_TRUE(here.runOnce(0ns));
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
}

TEST(RunLoop, RunNeedsASourceAndEndsOnStop) {
    SimulatedSystem system;
    RunLoop& here = system.runLoops().current();
    EXPECT_EQ(here.run(), RunLoop::RunResult::finished) << "nothing to wait for";

    std::unique_ptr<RunLoopSource> port = system.runLoops().makePort();
    here.addSource(*port, RunLoopMode::defaultMode);
    // A block that stops the loop from inside: the run ends after running it.
    bool ran = false;
    here.perform([&] {
        ran = true;
        here.stop();
    });
    here.wakeUp();
    EXPECT_EQ(here.run(), RunLoop::RunResult::stopped);
    EXPECT_TRUE(ran);

    // A stop that comes before the run ends the next run.
    here.stop();
    EXPECT_EQ(here.run(), RunLoop::RunResult::stopped);

    port.reset(); // destroying the source takes it off the loop
    EXPECT_EQ(here.run(), RunLoop::RunResult::finished);
}

TEST(RunLoop, RunUntilGivesUpAtTheDeadline) {
    SimulatedSystem system;
    RunLoop& here = system.runLoops().current();
    EXPECT_FALSE(here.runUntil([] { return false; }, 1ms));
    int count = 0;
    here.perform([&] { ++count; });
    here.wakeUp();
    EXPECT_TRUE(here.runUntil([&] { return count == 1; }, 5s));
}

} // namespace
} // namespace platform::simulated
