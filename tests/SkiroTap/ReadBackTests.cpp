#include "LiveTap.hpp"
#include "Skiro/Tap/ReadBackCheck.hpp"

#include <gtest/gtest.h>

namespace skiro::test {
namespace {

using Sent = ReadBackCheck::Sent;
using Verdict = ReadBackCheck::Verdict;

// Feeds `count` arrivals of `got`, each after sending the same size; the verdicts they gave.
std::vector<Verdict> pass(ReadBackCheck& check, int count, Sent sent, Sent got) {
    std::vector<Verdict> verdicts;
    for (int i = 0; i < count; ++i) {
        check.remember(sent);
        if (auto verdict = check.arrived(got).verdict) {
            verdicts.push_back(*verdict);
        }
    }
    return verdicts;
}

TEST(ReadBackCheck, AnArrivalConsumesItsMatchAndEveryOlderEntry) {
    ReadBackCheck check;
    check.remember({5, 0});
    EXPECT_TRUE(check.remembered().empty()) << "nothing while off";
    check.start(1);
    check.remember({5, 0});
    check.remember({-3, 0});
    check.remember({0, 0});
    check.remember({4, 2});
    ASSERT_EQ(check.remembered(), (std::vector<Sent>{{5, 0}, {-3, 0}, {4, 2}}));

    // Nothing of that size was sent, or nothing moved: ignored.
    EXPECT_FALSE(check.arrived({7, 0}).matched);
    EXPECT_FALSE(check.arrived({0, 0}).matched);
    EXPECT_FALSE(check.arrived({4, -3}).matched);
    EXPECT_EQ(check.remembered().size(), 3u);

    ReadBackCheck::Arrival arrival = check.arrived({3, 0});
    EXPECT_TRUE(arrival.matched);
    EXPECT_EQ(arrival.turnedBack, 1);
    EXPECT_EQ(check.remembered(), (std::vector<Sent>{{4, 2}}));
    // Both axes count, each with its own sign.
    arrival = check.arrived({4, -2});
    EXPECT_EQ(arrival.turnedBack, 2);
    EXPECT_EQ(arrival.asSent, 1);
    EXPECT_FALSE(check.arrived({5, 0}).matched) << "an empty ring matches nothing";

    check.stop();
    check.remember({5, 0});
    EXPECT_FALSE(check.arrived({5, 0}).matched);
}

TEST(ReadBackCheck, TheSixtyFifthRememberedScrollPushesOutTheOldest) {
    ReadBackCheck check;
    check.start(1);
    for (int i = 1; i <= 65; ++i) {
        check.remember({i, 0});
    }
    ASSERT_EQ(check.remembered().size(), 64u);
    EXPECT_EQ(check.remembered().front(), (Sent{2, 0}));
    EXPECT_FALSE(check.arrived({1, 0}).matched) << "the first is gone";
    EXPECT_TRUE(check.arrived({2, 0}).matched);
    EXPECT_EQ(check.remembered().size(), 63u);
}

TEST(ReadBackCheck, ThresholdsForTheEndAReportAndRecovery) {
    ReadBackCheck check;
    check.start(7);
    // A two-axis scroll counts twice: fifteen of them end the check.
    EXPECT_TRUE(pass(check, 14, {3, 2}, {3, 2}).empty());
    EXPECT_EQ(pass(check, 1, {3, 2}, {3, 2}), (std::vector<Verdict>{{7, false, true}}));
    EXPECT_FALSE(check.checking());

    // Turned back must outnumber the values as sent.
    check.start(8);
    pass(check, 4, {3, 0}, {3, 0});
    EXPECT_TRUE(pass(check, 4, {3, 0}, {-3, 0}).empty());
    EXPECT_EQ(pass(check, 1, {3, 0}, {-3, 0}), (std::vector<Verdict>{{8, true, false}}));
    // Reported once; the check keeps watching.
    EXPECT_TRUE(pass(check, 10, {3, 0}, {-3, 0}).empty());
    // Five as sent after the report: recovery; thirty since the report: the end.
    EXPECT_TRUE(pass(check, 4, {3, 0}, {3, 0}).empty());
    EXPECT_EQ(pass(check, 1, {3, 0}, {3, 0}), (std::vector<Verdict>{{8, false, false}}));
    EXPECT_TRUE(pass(check, 24, {3, 0}, {3, 0}).empty());
    EXPECT_EQ(pass(check, 1, {3, 0}, {3, 0}), (std::vector<Verdict>{{8, false, true}}));

    check.start(9);
    pass(check, 5, {3, 0}, {3, 0});
    EXPECT_TRUE(pass(check, 5, {3, 0}, {-3, 0}).empty()) << "five against five: not yet";
    EXPECT_EQ(pass(check, 1, {3, 0}, {-3, 0}).size(), 1u);
}

// A check running on a started tap that turns the mouse; scrolls arrive where applications
// get them, possibly after another program's tap.
struct ReadBackTest : ::testing::Test {
    LiveTap t;
    VirtualDevice& mouse = t.system.attach(DeviceDescription::wheelMouse());
    std::uint32_t flipper = 0;

    ReadBackTest() {
        t.tap->setSettings(turning(mouseStandard));
        EXPECT_TRUE(t.tap->start());
        t.tap->readBack().start();
        t.sync();
    }

    void scrolls(int count) {
        for (int i = 0; i < count; ++i) {
            t.system.post(mouse, Scroll{3, 0});
        }
    }
    bool checking() {
        return t.onTap([&] { return t.tap->readBack().check().checking(); });
    }
    std::vector<bool> verdicts() {
        t.settle();
        return t.verdicts;
    }
};

TEST_F(ReadBackTest, TurnedBackThenRecoveryThenTheEndThroughTheTaps) {
    ASSERT_NE(t.checkTap(), nullptr);
    flipper = t.addFlipper();
    scrolls(5);
    EXPECT_EQ(verdicts(), std::vector<bool>{true});
    EXPECT_EQ(t.tap->stats().checkTurnedBack, 5);
    EXPECT_TRUE(t.tap->stats().checking);

    t.system.taps().removeTap(flipper);
    scrolls(5);
    EXPECT_EQ(verdicts(), (std::vector<bool>{true, false}));
    EXPECT_NE(t.checkTap(), nullptr) << "recovered, still watching";
    scrolls(25);
    EXPECT_EQ(verdicts(), (std::vector<bool>{true, false, false}));
    EXPECT_FALSE(t.tap->readBack().hasTap());
    EXPECT_EQ(t.checkTap(), nullptr);
    EXPECT_FALSE(checking());

    // Over: nothing is counted any more, and the display keeps what it showed.
    scrolls(3);
    EXPECT_EQ(t.tap->stats().checkAsSent, 30);
    EXPECT_EQ(verdicts().size(), 3u);
}

TEST_F(ReadBackTest, NoCheckWithoutATapAndNoVerdictWithoutTheReadBackTap) {
    t.tap->stop(false);
    t.tap->readBack().start();
    t.sync();
    EXPECT_FALSE(t.tap->readBack().hasTap());
    EXPECT_FALSE(checking());

    t.system.taps().setRefused(TapLocation::annotatedSession, true);
    ASSERT_TRUE(t.tap->start());
    t.tap->readBack().start();
    t.sync();
    EXPECT_EQ(t.count("Couldn't make the delivered tap."), 1u);
    EXPECT_TRUE(checking());
    scrolls(40);
    EXPECT_TRUE(verdicts().empty());
    EXPECT_EQ(t.onTap([&] { return t.tap->readBack().check().remembered().size(); }), 40u);
}

TEST_F(ReadBackTest, AVerdictOfACheckStoppedMeanwhileIsDeliveredOfOneRestartedNot) {
    scrolls(30);
    t.sync(); // the verdict is queued for the main thread
    t.tap->readBack().start();
    t.sync();
    corvale::MainLoop::shared().drain();
    EXPECT_TRUE(t.verdicts.empty()) << "the restarted check's verdict is dropped";
    EXPECT_NE(t.checkTap(), nullptr) << "the new check keeps its tap";

    // The run finished before the stop: its verdict still arrives.
    scrolls(30);
    t.sync();
    t.tap->stop(false);
    EXPECT_EQ(verdicts(), std::vector<bool>{false});
    EXPECT_FALSE(t.tap->readBack().hasTap());
}

TEST_F(ReadBackTest, AVerdictForATapThatIsGoneIsDropped) {
    scrolls(30);
    t.sync(); // the verdict is queued for the main thread
    t.tap->stop(false);
    t.sync();
    t.tap.reset();
    EXPECT_TRUE(verdicts().empty());
}

} // namespace
} // namespace skiro::test
