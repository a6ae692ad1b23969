#include "Corvale/Updates.hpp"

#include "CorvaleCore/Bundle.hpp"
#include "Platform/Simulated/SimulatedUpdater.hpp"

#include "Support/Framework.hpp"

#include <gtest/gtest.h>

namespace corvale {
namespace {

using platform::UpdaterController;
using platform::UpdaterDelegate;
using platform::UserUpdateState;
using platform::simulated::SimulatedUpdater;

Bundle bundleWithKey(std::optional<std::string> key) {
    json::Json info = *Bundle::compiled().info();
    info.erase(std::string(Bundle::updateKeyKey));
    if (key) {
        info[std::string(Bundle::updateKeyKey)] = *key;
    }
    return Bundle(info);
}

// An update component over simulated updaters, counting what it does.
class UpdatesTest : public ::testing::Test {
protected:
    UpdatesTest() {
        updates.setOnChange([this] { ++changes; });
        updates.setActivate([this] { ++activations; });
    }

    SimulatedUpdater& updater() {
        auto* simulated = dynamic_cast<SimulatedUpdater*>(updates.controller());
        if (simulated == nullptr) {
            throw std::logic_error("no updater");
        }
        return *simulated;
    }

    int made = 0;
    int changes = 0;
    int activations = 0;
    Updates updates{[this](UpdaterDelegate& delegate) -> std::unique_ptr<UpdaterController> {
        ++made;
        return std::make_unique<SimulatedUpdater>(delegate);
    }};
};

class UnconfiguredUpdatesTest : public UpdatesTest {
protected:
    test::ScopedBundle bundle{bundleWithKey(std::nullopt)};
};

class ConfiguredUpdatesTest : public UpdatesTest {
protected:
    ConfiguredUpdatesTest() { updates.start(); }

    test::ScopedBundle bundle{bundleWithKey("Y2hlY2tlZCBieSB0aGUga2V5")};
};

TEST(UpdatesConfiguration, OnlyANonEmptyUpdateKeyConfiguresUpdates) {
    for (std::optional<std::string> key :
         {std::optional<std::string>(), std::optional<std::string>("")}) {
        test::ScopedBundle bundle(bundleWithKey(key));
        EXPECT_FALSE(Updates::isConfigured());
    }
    {
        json::Json info = *Bundle::compiled().info();
        info[std::string(Bundle::updateKeyKey)] = 42;
        test::ScopedBundle bundle{Bundle(info)};
        EXPECT_FALSE(Updates::isConfigured());
    }
    {
        test::ScopedBundle bundle(bundleWithKey("key"));
        EXPECT_TRUE(Updates::isConfigured());
    }
}

TEST_F(UnconfiguredUpdatesTest, NothingStartsAndTheSettingsStayOffForGood) {
    updates.start();
    EXPECT_EQ(made, 0);
    EXPECT_FALSE(updates.canCheck());
    EXPECT_EQ(updates.lastChecked(), std::nullopt);

    int announced = 0;
    Subscription subscription = updates.subscribe([&](const Updates::Shown&) { ++announced; });
    updates.setChecksAutomatically(true);
    updates.setInstallsAutomatically(true);
    EXPECT_FALSE(updates.checksAutomatically());
    EXPECT_FALSE(updates.installsAutomatically());
    EXPECT_EQ(announced, 2);

    // Checking only brings the application to the front.
    updates.checkNow();
    EXPECT_EQ(activations, 1);
    EXPECT_EQ(made, 0);
    EXPECT_EQ(updates.waiting(), std::nullopt);
}

TEST_F(ConfiguredUpdatesTest, TheSettingsAreTheUpdatersAndChangesAreAnnouncedOnceMade) {
    EXPECT_TRUE(updates.canCheck());
    EXPECT_TRUE(updates.checksAutomatically());
    EXPECT_FALSE(updates.installsAutomatically());

    std::vector<Updates::Shown> announced;
    Subscription subscription = updates.subscribe([&](const Updates::Shown& shown) {
        EXPECT_EQ(shown, updates.shown()) << "told once the change is made";
        announced.push_back(shown);
    });
    updates.setInstallsAutomatically(true);
    EXPECT_TRUE(updater().automaticallyDownloadsUpdates());
    EXPECT_TRUE(updates.installsAutomatically());
    updates.setChecksAutomatically(false);
    EXPECT_FALSE(updater().automaticallyChecksForUpdates());
    EXPECT_FALSE(updates.checksAutomatically());
    ASSERT_EQ(announced.size(), 2u);
    EXPECT_TRUE(announced[0].installsAutomatically);
    EXPECT_TRUE(announced[0].checksAutomatically);
    EXPECT_FALSE(announced[1].checksAutomatically);
}

TEST_F(ConfiguredUpdatesTest, AnUpdateFoundInTheBackgroundWaitsAndIsAnnouncedOnce) {
    updater().setAvailable("1.5");
    updater().scheduledCheck(false);
    EXPECT_EQ(updates.waiting(), "1.5");
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(updater().isHoldingBack());
    EXPECT_TRUE(updater().shown().empty());
    EXPECT_EQ(activations, 0);
    // The user may still check, which is how they come to it.
    EXPECT_TRUE(updates.canCheck());

    // The next scheduled check offers the same version again: no second announcement.
    updater().scheduledCheck(false);
    EXPECT_EQ(updates.waiting(), "1.5");
    EXPECT_EQ(changes, 1);

    // A newer one replaces it.
    updater().setAvailable("1.6");
    updater().scheduledCheck(false);
    EXPECT_EQ(updates.waiting(), "1.6");
    EXPECT_EQ(changes, 2);

    // The end of the session clears what waits.
    updater().finishSession();
    EXPECT_EQ(updates.waiting(), std::nullopt);
    EXPECT_EQ(changes, 3);
}

TEST_F(ConfiguredUpdatesTest, AnUpdateFoundWhileInFocusIsShownByTheUpdater) {
    updater().setAvailable("1.5");
    updater().scheduledCheck(true);
    EXPECT_EQ(updates.waiting(), std::nullopt);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(updater().shown(), (std::vector<std::string>{"1.5"}));
    EXPECT_EQ(activations, 1);
    EXPECT_FALSE(updates.canCheck());
}

TEST_F(ConfiguredUpdatesTest, AUserInitiatedCheckNeverSetsWaiting) {
    updater().setAvailable("1.5");
    updates.checkNow();
    EXPECT_EQ(updates.waiting(), std::nullopt);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(updater().shown(), (std::vector<std::string>{"1.5"}));
    // Once for the check, once for the window.
    EXPECT_EQ(activations, 2);

    // Even when the updater is told to leave the showing to the application.
    updates.standardUserDriverWillHandleShowingUpdate(false, {"1.6"}, UserUpdateState{true});
    EXPECT_EQ(updates.waiting(), std::nullopt);
    EXPECT_EQ(changes, 0);
}

TEST_F(ConfiguredUpdatesTest, ComingToTheWaitingUpdateClearsIt) {
    updater().setAvailable("1.5");
    updater().scheduledCheck(false);
    ASSERT_EQ(changes, 1);

    // The menu's item: the updater shows the update it held back.
    updates.checkNow();
    EXPECT_EQ(updater().shown(), (std::vector<std::string>{"1.5"}));
    EXPECT_EQ(updates.waiting(), std::nullopt);
    EXPECT_EQ(changes, 2);

    // The session ends with nothing waiting: nothing more to announce.
    updater().finishSession();
    EXPECT_EQ(changes, 2);
    EXPECT_TRUE(updates.canCheck());
}

TEST_F(ConfiguredUpdatesTest, AttentionWithNothingWaitingCallsNothing) {
    updates.standardUserDriverDidReceiveUserAttention({"1.5"});
    updates.standardUserDriverWillFinishUpdateSession();
    EXPECT_EQ(changes, 0);
}

TEST(UpdatesWithoutUpdater, AConfiguredBuildStartsNoneUntilOneIsHandedIn) {
    test::ScopedBundle bundle(bundleWithKey("key"));
    Updates updates;
    updates.start();
    EXPECT_EQ(updates.controller(), nullptr);
    updates.setFactory(
        [](UpdaterDelegate& delegate) { return std::make_unique<SimulatedUpdater>(delegate); });
    updates.start();
    UpdaterController* first = updates.controller();
    EXPECT_NE(dynamic_cast<SimulatedUpdater*>(first), nullptr);
    // A second start keeps the first updater.
    updates.start();
    EXPECT_EQ(updates.controller(), first);
}

} // namespace
} // namespace corvale
