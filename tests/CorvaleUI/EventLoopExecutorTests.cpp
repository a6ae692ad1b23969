#include "Corvale/UI/EventLoopExecutor.hpp"

#include "CorvaleCore/Dispatch.hpp"
#include "CorvaleCore/DispatchSource.hpp"
#include "CorvaleCore/SystemCalls.hpp"
#include "Support/QtLoop.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace corvale {
namespace {

using namespace std::chrono_literals;

using test::eventually;

TEST(EventLoopExecutor, QtsLoopServesTheMainQueueItsTimersAndSourcesInOrder) {
    int argc = 1;
    char name[] = "tests";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    auto executor = std::make_shared<EventLoopExecutor>();
    setMainExecutor(executor);

    std::vector<int> order;
    std::thread poster([&] {
        for (int i = 0; i < 100; ++i) {
            DispatchQueue::main().async([&order, i] {
                EXPECT_TRUE(isMainThread());
                order.push_back(i);
            });
        }
    });
    poster.join();
    bool timerFired = false;
    DispatchSource timer =
        DispatchSource::timer(DispatchQueue::main(), 5ms, 0ms, [&] { timerFired = true; });
    int fds[2];
    ASSERT_TRUE(openPipe(fds));
    int readable = 0;
    DispatchSource source = DispatchSource::read(fds[0], DispatchQueue::main(), [&] {
        char byte = 0;
        readable += static_cast<int>(::read(fds[0], &byte, 1));
    });
    ASSERT_EQ(::write(fds[1], "x", 1), 1);
    // Qt's own events run between the main queue's work.
    bool qtTimer = false;
    QTimer::singleShot(1, [&] { qtTimer = true; });

    const bool served =
        eventually([&] { return order.size() == 100 && timerFired && readable == 1 && qtTimer; });
    source.cancel();
    ::close(fds[0]);
    ::close(fds[1]);
    setMainExecutor(nullptr);
    ASSERT_TRUE(served);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(order[static_cast<std::size_t>(i)], i);
    }
}

} // namespace
} // namespace corvale
