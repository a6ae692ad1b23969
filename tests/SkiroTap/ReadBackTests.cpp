#include "LiveTap.hpp"

#include <gtest/gtest.h>

namespace skiro::test {
namespace {

const Directions mouseStandard{Direction::natural, Direction::natural, Direction::standard,
                               Direction::standard};

// A check running on a started tap that turns the mouse; scrolls arrive where applications
// get them, possibly after another program's tap.
struct ReadBackTest : ::testing::Test {
    LiveTap t;
    VirtualDevice& mouse = t.system.attach(DeviceDescription::wheelMouse());
    std::uint32_t flipper = 0;

    ReadBackTest() {
        t.tap->setSettings(Turner::Settings{true, mouseStandard});
        EXPECT_TRUE(t.tap->start());
        t.tap->check();
        t.sync();
    }

    void scrolls(int count, double vertical = 3, double horizontal = 0) {
        for (int i = 0; i < count; ++i) {
            t.system.post(mouse, Scroll{vertical, horizontal});
        }
    }
    // Another program's tap after Skiro's that negates every scroll.
    void turnBackAfterSkiro() {
        flipper = t.system.taps().addOtherTap(
            t.system.applications().launch("Flipper"), TapLocation::session,
            TapPlacement::tailAppend, TapOptions::defaultTap, eventMaskBit(EventType::scrollWheel),
            otherTap::negateScrollDeltas());
    }
    void stopTurningBack() { t.system.taps().removeTap(flipper); }

    std::vector<bool> verdicts() {
        t.settle();
        return t.verdicts;
    }
};

TEST_F(ReadBackTest, ThirtyValuesAsSentEndTheCheck) {
    ASSERT_NE(t.checkTap(), nullptr);
    scrolls(29);
    EXPECT_TRUE(verdicts().empty());
    EXPECT_EQ(t.tap->stats().checkAsSent, 29);
    EXPECT_EQ(t.tap->stats().checkTurnedBack, 0);
    EXPECT_TRUE(t.tap->stats().checking);

    scrolls(1);
    EXPECT_EQ(verdicts(), std::vector<bool>{false});
    EXPECT_FALSE(t.tap->hasCheckTap());
    EXPECT_EQ(t.checkTap(), nullptr);
    EXPECT_FALSE(t.onTap([&] { return t.tap->checking(); }));

    // Over: nothing is counted any more, and the display keeps what it showed.
    scrolls(3);
    EXPECT_EQ(t.tap->stats().checkAsSent, 30);
    EXPECT_TRUE(t.tap->stats().checking);
    EXPECT_EQ(verdicts().size(), 1u);
}

TEST_F(ReadBackTest, ATwoAxisScrollCountsTwice) {
    scrolls(14, 3, 2);
    EXPECT_TRUE(verdicts().empty());
    EXPECT_EQ(t.tap->stats().checkAsSent, 28);
    scrolls(1, 3, 2);
    EXPECT_EQ(verdicts(), std::vector<bool>{false});
}

TEST_F(ReadBackTest, TurnedBackIsReportedOnceThenRecoveryThenTheEnd) {
    turnBackAfterSkiro();
    scrolls(4);
    EXPECT_TRUE(verdicts().empty());
    scrolls(1);
    EXPECT_EQ(verdicts(), std::vector<bool>{true});
    EXPECT_EQ(t.tap->stats().checkTurnedBack, 5);
    // Further turned-back scrolls report nothing more; the check keeps watching.
    scrolls(10);
    EXPECT_EQ(verdicts(), std::vector<bool>{true});
    EXPECT_NE(t.checkTap(), nullptr);

    stopTurningBack();
    scrolls(4);
    EXPECT_EQ(verdicts(), std::vector<bool>{true});
    scrolls(1);
    EXPECT_EQ(verdicts(), (std::vector<bool>{true, false}));
    EXPECT_NE(t.checkTap(), nullptr) << "recovered, still watching";

    // Counted from the report: 30 as sent with none turned back since the recovery.
    scrolls(24);
    EXPECT_EQ(verdicts(), (std::vector<bool>{true, false}));
    scrolls(1);
    EXPECT_EQ(verdicts(), (std::vector<bool>{true, false, false}));
    EXPECT_EQ(t.checkTap(), nullptr);
}

TEST_F(ReadBackTest, TurnedBackMustOutnumberTheValuesAsSent) {
    scrolls(4);
    turnBackAfterSkiro();
    scrolls(5);
    EXPECT_EQ(verdicts(), std::vector<bool>{true});

    // A restarted check counts afresh on the same read-back tap.
    std::shared_ptr<TapCore> readBack = t.checkTap();
    stopTurningBack();
    t.tap->check();
    t.sync();
    EXPECT_EQ(t.checkTap(), readBack);
    scrolls(5);
    turnBackAfterSkiro();
    scrolls(5);
    EXPECT_EQ(verdicts(), std::vector<bool>{true}) << "five against five: not yet";
    scrolls(1);
    EXPECT_EQ(verdicts(), (std::vector<bool>{true, true}));
}

TEST_F(ReadBackTest, NoCheckWithoutATapAndStopEndsOne) {
    t.tap->stop(false);
    EXPECT_FALSE(t.tap->hasCheckTap());
    EXPECT_FALSE(t.onTap([&] { return t.tap->checking(); }));
    t.tap->check();
    t.sync();
    EXPECT_FALSE(t.tap->hasCheckTap());
    EXPECT_FALSE(t.onTap([&] { return t.tap->checking(); }));
}

TEST_F(ReadBackTest, WithoutTheReadBackTapScrollsAreRememberedButNoVerdictComes) {
    t.tap->stop(false);
    t.system.taps().setRefused(TapLocation::annotatedSession, true);
    ASSERT_TRUE(t.tap->start());
    t.tap->check();
    t.sync();
    EXPECT_EQ(t.count("Couldn't make the delivered tap."), 1u);
    EXPECT_TRUE(t.onTap([&] { return t.tap->checking(); }));
    scrolls(40);
    EXPECT_TRUE(verdicts().empty());
    EXPECT_EQ(t.onTap([&] { return t.tap->remembered().size(); }), 40u);
}

TEST_F(ReadBackTest, AVerdictOfACheckRestartedOrStoppedMeanwhileIsDropped) {
    scrolls(30);
    t.sync(); // the verdict is queued for the main thread
    t.tap->check();
    t.sync();
    corvale::MainLoop::shared().drain();
    EXPECT_TRUE(t.verdicts.empty());
    EXPECT_NE(t.checkTap(), nullptr) << "the new check keeps its tap";
    scrolls(30);
    EXPECT_EQ(verdicts(), std::vector<bool>{false});

    t.tap->check();
    t.sync();
    turnBackAfterSkiro();
    scrolls(5);
    t.sync();
    t.tap->stop(false);
    EXPECT_EQ(verdicts(), std::vector<bool>{false});
}

TEST_F(ReadBackTest, AVerdictForATapThatIsGoneIsDropped) {
    scrolls(30);
    t.sync(); // the verdict is queued for the main thread
    t.tap->stop(false);
    t.sync();
    t.tap.reset();
    EXPECT_TRUE(verdicts().empty());
}

// The matching itself, fed on the tap thread: scrolls leave as given (standard wanted, and the
// system did not turn these), and arrivals are handed over directly.
struct MatchingTest : ::testing::Test {
    LiveTap t;

    MatchingTest() {
        t.tap->setSettings(Turner::Settings{true, Directions::system(false)});
        t.onTap([&] { t.tap->setChecking(true); });
    }
    static SoftwareScroll points(double vertical, double horizontal = 0) {
        SoftwareScroll scroll;
        scroll.vertical = vertical;
        scroll.horizontal = horizontal;
        scroll.continuous = true;
        return scroll;
    }
    void sent(double vertical, double horizontal = 0) {
        SimulatedEvent event = t.system.makeScroll(points(vertical, horizontal));
        t.onTap([&] { t.tap->scrolled(event); });
    }
    void arrives(double vertical, double horizontal = 0) {
        SimulatedEvent event = t.system.makeScroll(points(vertical, horizontal));
        t.onTap([&] { t.tap->arrived(event); });
    }
    std::vector<InputTap::Sent> remembered() {
        return t.onTap([&] { return t.tap->remembered(); });
    }
};

TEST_F(MatchingTest, AnArrivalConsumesItsMatchAndEveryOlderEntry) {
    sent(5);
    sent(-3);
    sent(4, 2);
    ASSERT_EQ(remembered(), (std::vector<InputTap::Sent>{{5, 0}, {-3, 0}, {4, 2}}));

    // Nothing of that size was sent, or nothing moved: ignored.
    arrives(7);
    arrives(0, 0);
    arrives(4, -3);
    EXPECT_EQ(remembered().size(), 3u);
    EXPECT_EQ(t.tap->stats().checking, false) << "nothing was counted yet";

    arrives(3);
    EXPECT_EQ(remembered(), (std::vector<InputTap::Sent>{{4, 2}}));
    EXPECT_EQ(t.tap->stats().checkTurnedBack, 1);
    EXPECT_EQ(t.tap->stats().checkAsSent, 0);

    // Both axes count, each with its own sign.
    arrives(4, -2);
    EXPECT_TRUE(remembered().empty());
    EXPECT_EQ(t.tap->stats().checkTurnedBack, 2);
    EXPECT_EQ(t.tap->stats().checkAsSent, 1);

    // An empty ring matches nothing.
    arrives(5);
    EXPECT_EQ(t.tap->stats().checkAsSent, 1);
}

TEST_F(MatchingTest, TheSixtyFifthRememberedScrollPushesOutTheOldest) {
    for (int i = 1; i <= 65; ++i) {
        sent(i);
    }
    ASSERT_EQ(remembered().size(), 64u);
    EXPECT_EQ(remembered().front(), (InputTap::Sent{2, 0}));
    arrives(1);
    EXPECT_EQ(remembered().size(), 64u) << "the first is gone: nothing matches it";
    arrives(2);
    EXPECT_EQ(remembered().size(), 63u);
    EXPECT_EQ(t.tap->stats().checkAsSent, 1);
}

TEST_F(MatchingTest, NothingIsMatchedWhileNoCheckRuns) {
    sent(5);
    t.onTap([&] { t.tap->setChecking(false); });
    arrives(5);
    EXPECT_EQ(t.onTap([&] { return t.tap->remembered().size(); }), 1u);
    EXPECT_EQ(t.tap->stats().checkAsSent, 0);
}

} // namespace
} // namespace skiro::test
