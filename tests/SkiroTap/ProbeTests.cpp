// The probe: which taps the system allows, and what reads back when a synthetic scroll's delta
// fields are written, on systems that keep the fields independent, recompute them, or ignore
// some writes.
#include "Platform/Simulated/SimulatedSystem.hpp"
#include "Skiro/Tap/Probe.hpp"
#include "Skiro/Tap/ScrollFields.hpp"

#include <gtest/gtest.h>

#include <set>

namespace skiro {
namespace {

using corvale::json::Json;
using namespace platform;
using namespace platform::simulated;

TEST(ProbeDescribe, WritesLineFixedAndPointOfEachAxisWithFixedAsAReal) {
    EXPECT_EQ(Probe::describe({{7, 7.0, 70}, {-3, -3.0, -30}}), "v 7/7.0/70, h -3/-3.0/-30");
    EXPECT_EQ(Probe::describe({{1, 0.7, 7}, {0, 0.0, 0}}), "v 1/0.7/7, h 0/0.0/0");
    // The shortest text that reads back the same value.
    EXPECT_EQ(Probe::describe({{0, 0.1 + 0.2, 0}, {0, -0.0, 0}}),
              "v 0/0.30000000000000004/0, h 0/-0.0/0");
    EXPECT_EQ(Probe::describe({{0, 1e300, 0}, {0, 2.5e-7, 0}}), "v 0/1e+300/0, h 0/2.5e-07/0");
}

TEST(ProbePermutations, EachElementInTurnFollowedByEveryOrderingOfTheOthers) {
    using Orders = std::vector<std::vector<DeltaField>>;
    const std::vector<DeltaField> fields{DeltaField::line, DeltaField::fixed, DeltaField::point};
    const auto [line, fixed, point] =
        std::tuple(DeltaField::line, DeltaField::fixed, DeltaField::point);
    EXPECT_EQ(Probe::permutations(fields), (Orders{{line, fixed, point},
                                                   {line, point, fixed},
                                                   {fixed, line, point},
                                                   {fixed, point, line},
                                                   {point, line, fixed},
                                                   {point, fixed, line}}));
    EXPECT_EQ(Probe::permutations(std::vector<int>{4}), (std::vector<std::vector<int>>{{4}}));
    EXPECT_EQ(Probe::permutations(std::vector<int>{}), (std::vector<std::vector<int>>{{}}));
    const auto four = Probe::permutations(std::vector<int>{1, 2, 3, 4});
    EXPECT_EQ(four.size(), 24u);
    EXPECT_EQ(std::set(four.begin(), four.end()).size(), 24u);
}

struct ProbeTest : ::testing::Test {
    SimulatedSystem system;

    Json entry(const std::string& name) {
        Json fields = Probe::fields(system.events());
        EXPECT_TRUE(fields.contains(name)) << fields.dump();
        return fields.value(name, Json::object());
    }
};

TEST_F(ProbeTest, TriesTwentyFourTapsAndLeavesNoneBehind) {
    const Json taps = Probe::taps(system.eventTaps());
    ASSERT_EQ(taps.size(), 24u);
    std::set<std::string> keys;
    for (const std::string location : {"hid", "session", "annotated"}) {
        for (const std::string placement : {"head", "tail"}) {
            for (const std::string option : {"active", "listen"}) {
                for (const std::string mask : {"scroll", "gesture"}) {
                    const std::string key = location + " " + placement + " " + option + " " + mask;
                    EXPECT_EQ(taps.value(key, ""), "ok") << key;
                }
            }
        }
    }
    EXPECT_TRUE(system.taps().tapsOfThisProcess().empty());
    EXPECT_TRUE(system.taps().list()->empty());
}

TEST_F(ProbeTest, ReportsWhatTheSystemRefuses) {
    // Without the trust no active tap; listening needs the trust or the listen permission.
    system.setAccessibilityTrusted(false);
    system.simulatedPermissions().setListenAccess(true);
    system.taps().setRefused(TapLocation::annotatedSession, true);
    Json taps = Probe::taps(system.eventTaps());
    int ok = 0;
    for (const auto& [key, value] : taps.items()) {
        const bool listen = key.find(" listen ") != std::string::npos;
        const bool annotated = key.starts_with("annotated");
        EXPECT_EQ(value, listen && !annotated ? "ok" : "failed") << key;
        ok += value == "ok" ? 1 : 0;
    }
    EXPECT_EQ(ok, 8);

    system.simulatedPermissions().setListenAccess(false);
    taps = Probe::taps(system.eventTaps());
    for (const auto& [key, value] : taps.items()) {
        EXPECT_EQ(value, "failed") << key;
    }
}

TEST_F(ProbeTest, IndependentFieldsChangeAloneAndReadBackInEveryOrder) {
    const Json fields = Probe::fields(system.events());
    ASSERT_EQ(fields.size(), 4u);
    for (const std::string name : {"pixel", "pixel continuous", "line", "line continuous"}) {
        ASSERT_TRUE(fields.contains(name)) << name;
        const Json& entry = fields[name];
        EXPECT_EQ(entry["one field at a time"].size(), 6u) << name;
        ASSERT_EQ(entry["orders"].size(), 18u) << name;
        for (const auto& [key, value] : entry["orders"].items()) {
            EXPECT_EQ(value, "ok") << name << ": " << key;
        }
    }
    // The worked example: 7 lines down and 3 across, as written.
    EXPECT_EQ(fields["line"]["before"], "v 7/7.0/70, h -3/-3.0/-30");
    // 7 and -3 pixels: a fraction of a line, at least one whole line.
    EXPECT_EQ(fields["pixel"]["before"], "v 1/0.7/7, h -1/-0.3/-3");
    EXPECT_EQ(fields["pixel continuous"]["before"], fields["pixel"]["before"]);

    const Json& alone = fields["pixel"]["one field at a time"];
    EXPECT_EQ(alone["line vertical"], "v -1/0.7/7, h -1/-0.3/-3");
    EXPECT_EQ(alone["fixed vertical"], "v 1/-0.7/7, h -1/-0.3/-3");
    EXPECT_EQ(alone["point horizontal"], "v 1/0.7/7, h -1/-0.3/3");
    EXPECT_TRUE(fields["line"]["orders"].contains("point,line,fixed vh"));
    EXPECT_TRUE(fields["line"]["orders"].contains("fixed,point,line h"));
}

TEST_F(ProbeTest, ASystemThatRecomputesTheFieldsShowsTheOthersChanging) {
    system.setFieldWriteRules(FieldWriteRules::recomputing());
    const Json pixel = entry("pixel");
    const Json& alone = pixel["one field at a time"];
    EXPECT_EQ(alone["line vertical"], "v -1/-1.0/-10, h -1/-0.3/-3");
    EXPECT_EQ(alone["fixed vertical"], "v -1/-0.7/-7, h -1/-0.3/-3");
    EXPECT_EQ(alone["point horizontal"], "v 1/0.7/7, h 1/0.3/3");
    for (const auto& [key, value] : alone.items()) {
        EXPECT_NE(value, "nothing changed") << key;
    }

    // Whatever is written last decides the other two: writing the whole lines last loses the
    // fraction of a line.
    const Json& orders = pixel["orders"];
    EXPECT_EQ(orders["line,fixed,point v"], "ok");
    EXPECT_EQ(orders["point,line,fixed vh"], "ok");
    EXPECT_EQ(orders["fixed,point,line v"], "got v -1/-1.0/-10, h -1/-0.3/-3");
    EXPECT_EQ(orders["point,fixed,line h"], "got v 1/0.7/7, h 1/1.0/10");
    EXPECT_EQ(orders["point,fixed,line vh"], "got v -1/-1.0/-10, h 1/1.0/10");

    // Whole lines lose nothing.
    const Json line = entry("line");
    for (const auto& [key, value] : line["orders"].items()) {
        EXPECT_EQ(value, "ok") << key;
    }
}

TEST_F(ProbeTest, AWriteTheSystemIgnoresChangesNothing) {
    FieldWriteRules rules;
    rules.ignored.set(field::scrollWheelEventPointDeltaAxis1);
    system.setFieldWriteRules(rules);
    const Json line = entry("line");
    EXPECT_EQ(line["one field at a time"]["point vertical"], "nothing changed");
    EXPECT_EQ(line["one field at a time"]["point horizontal"], "v 7/7.0/70, h -3/-3.0/30");
    EXPECT_EQ(line["orders"]["line,fixed,point v"], "got v -7/-7.0/70, h -3/-3.0/-30");
    EXPECT_EQ(line["orders"]["line,fixed,point h"], "ok");
}

TEST_F(ProbeTest, RunGathersPermissionsTheSystemSettingTapsAndFields) {
    system.simulatedPermissions().setPostAccess(false);
    system.simulatedPermissions().setListenAccess(true);
    system.setNaturalScrolling(false);
    Json result = Probe::run(system);
    EXPECT_EQ(result["accessibility"], true);
    EXPECT_EQ(result["inputMonitoring"], true);
    EXPECT_EQ(result["postEvents"], false);
    EXPECT_EQ(result["systemNatural"], false);
    EXPECT_EQ(result["taps"].size(), 24u);
    EXPECT_EQ(result["fields"].size(), 4u);
    system.setAccessibilityTrusted(false);
    EXPECT_EQ(Probe::run(system)["accessibility"], false);
}

} // namespace
} // namespace skiro
