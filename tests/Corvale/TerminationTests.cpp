// What runs when the application terminates.
#include "Corvale/Termination.hpp"
#include "CorvaleCore/Dispatch.hpp"

#include "Corvale/CommandTesting.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace corvale {
namespace {

using test::eventually;

TEST(Termination, ObserversRunOnTheMainThreadInOrderUntilRemoved) {
    Termination::reset();
    std::vector<int> order;
    Termination::Token second = 0;
    Termination::observe([&] {
        order.push_back(1);
        // Removing a later observer while they run: it is not called.
        Termination::remove(second);
    });
    second = Termination::observe([&] { order.push_back(2); });
    Termination::Token third = Termination::observe([&] {
        EXPECT_TRUE(isMainThread());
        order.push_back(3);
    });
    Termination::willTerminate();
    EXPECT_EQ(order, (std::vector<int>{1, 3}));

    // Posted from another thread, it waits for the main thread to run the observers.
    Termination::remove(third);
    std::atomic<bool> done{false};
    std::thread poster([&] {
        Termination::willTerminate();
        done = true;
    });
    EXPECT_TRUE(eventually([&] { return done.load(); }));
    poster.join();
    EXPECT_EQ(order, (std::vector<int>{1, 3, 1}));
    Termination::reset();
}

} // namespace
} // namespace corvale
