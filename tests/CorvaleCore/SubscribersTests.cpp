#include "CorvaleCore/Subscribers.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace corvale {
namespace {

TEST(Subscribers, HandlersAreToldInOrderUntilTheirTokenGoes) {
    Subscribers<int> subscribers;
    std::vector<std::string> told;
    Subscription first =
        subscribers.add([&](int value) { told.push_back("a" + std::to_string(value)); });
    std::optional<Subscription> second =
        subscribers.add([&](int value) { told.push_back("b" + std::to_string(value)); });
    subscribers.notify(1);
    second.reset();
    subscribers.notify(2);
    first.cancel();
    EXPECT_FALSE(first.isActive());
    subscribers.notify(3);
    EXPECT_EQ(told, (std::vector<std::string>{"a1", "b1", "a2"}));
    EXPECT_EQ(subscribers.count(), 0u);
}

TEST(Subscribers, AMovedTokenKeepsTheSubscriptionAndAnOverwrittenOneCancelsIt) {
    Subscribers<> subscribers;
    int a = 0, b = 0;
    Subscription token = subscribers.add([&] { ++a; });
    Subscription moved = std::move(token);
    EXPECT_FALSE(token.isActive());
    subscribers.notify();
    moved = subscribers.add([&] { ++b; });
    subscribers.notify();
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 1);
    EXPECT_EQ(subscribers.count(), 1u);
}

TEST(Subscribers, HandlersMayCancelAndSubscribeWhileBeingTold) {
    Subscribers<> subscribers;
    std::vector<std::string> told;
    Subscription second, late;
    // The first handler cancels itself and the next one, and adds a third.
    Subscription first = subscribers.add([&] {
        told.push_back("first");
        first.cancel();
        second.cancel();
        late = subscribers.add([&] { told.push_back("late"); });
    });
    second = subscribers.add([&] { told.push_back("second"); });
    subscribers.notify();
    EXPECT_EQ(told, (std::vector<std::string>{"first"}));
    subscribers.notify();
    EXPECT_EQ(told, (std::vector<std::string>{"first", "late"}));
}

TEST(Subscribers, ATokenMayOutliveTheList) {
    Subscription token;
    {
        Subscribers<> subscribers;
        token = subscribers.add([] {});
    }
    token.cancel();
    EXPECT_FALSE(token.isActive());
}

} // namespace
} // namespace corvale
