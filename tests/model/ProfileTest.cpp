#include <gtest/gtest.h>

#include "kz7/model/Gain.h"
#include "kz7/model/Profile.h"
#include "kz7/model/ProfileGroup.h"
#include "kz7/model/Zone.h"
#include "support/ModelText.h"

namespace kz7 {
namespace {

TEST(ProfileTest, InterpolatesStepsAtEqualTimesAndWrapsOverMidnight) {
    test::RecordingState s;
    s.Open("Profile,Ramp\n0,0\n100,12\n}\nProfile,Step\n0,0\n0,8\n100,8\n100,18\n0,18\n}\n");
    s.state.profiles->Read();
    s.state.reader.NextLine();
    s.state.reader.NextString();
    s.state.profiles->Read();
    Profile* ramp = s.state.profiles->Item("Ramp");
    ASSERT_NE(ramp, nullptr);
    ASSERT_EQ(ramp->Points.size(), 2u);
    EXPECT_FLOAT_EQ(ramp->Points[1].Time, 12.0f);  // value first, time second
    EXPECT_FLOAT_EQ(ramp->Value(6.0f), 50.0f);
    // After the last point the curve heads for the first point 24.01 h later.
    EXPECT_NEAR(ramp->Value(18.0f), 50.04, 0.01);
    Profile* step = s.state.profiles->Item("Step");
    EXPECT_FLOAT_EQ(step->Value(7.99f), 0.0f);
    EXPECT_FLOAT_EQ(step->Value(8.0f), 100.0f);
    EXPECT_FLOAT_EQ(step->Value(12.0f), 100.0f);
    EXPECT_TRUE(s.errors.empty());
}

// Unknown keys become static profiles when they are numbers and are reported
// otherwise; empty or cut-off profiles are refused.
TEST(ProfileTest, UnknownKeysBecomeStaticOrAreReportedAndEmptyOrCutOffProfilesRefused) {
    test::RecordingState s;
    Profile* fifty = s.state.profiles->Item("50");
    ASSERT_NE(fifty, nullptr);
    EXPECT_TRUE(fifty->IsStatic);
    EXPECT_FLOAT_EQ(fifty->Value(3.0f), 50.0f);
    EXPECT_EQ(s.state.profiles->Item("50"), fifty);  // created once, then found
    EXPECT_EQ(s.state.profiles->Item("Office"), nullptr);
    EXPECT_TRUE(s.HasError("Profile Office not defined"));

    // A group name that is no number acts as 0 (RecordMessagesTest); one
    // beyond every number is none at all.
    EXPECT_EQ(s.state.profileGroups->Item("1e999"), nullptr);
    EXPECT_TRUE(s.HasError("Profile group 1e999 not defined"));

    const int32_t before = s.state.profiles->Count();
    s.Open("Profile,Nothing\n}\n");
    s.state.profiles->Read();
    EXPECT_EQ(s.state.profiles->Count(), before);
    EXPECT_TRUE(s.HasError("Profile Nothing has no points"));
    s.Open("Profile,Cut\n10,1\n");
    s.state.profiles->Read();
    EXPECT_TRUE(s.HasError("Profile Cut is cut off"));
    EXPECT_EQ(s.state.profiles->Count(), before + 1);  // kept with what it has
}

std::string GroupRecord(const std::string& key, const std::string& weekday,
                        const std::string& weekend) {
    std::string text = "ProfileGroup," + key + "\n";
    for (int month = 0; month < 12; ++month) {
        for (int day = 1; day <= 7; ++day)
            text += (day <= 5 ? weekday : weekend) + (day < 7 ? "," : "\n");
    }
    return text;
}

TEST(ProfileTest, GroupFollowsTheRunClock) {
    test::RecordingState s;
    s.state.reader.OpenText("Profile,Day\n0,0\n100,9\n100,17\n0,17\n}\n" +
                            GroupRecord("Office", "Day", "0"));
    s.state.reader.NextLine();
    s.state.reader.NextString();
    s.state.profiles->Read();
    s.state.reader.NextLine();
    s.state.reader.NextString();
    s.state.profileGroups->Read();
    ProfileGroup* office = s.state.profileGroups->Item("Office");
    ASSERT_NE(office, nullptr);
    s.state.clock.month = 3;
    s.state.clock.dayType = 2;
    s.state.clock.decimalHour = 12.0f;
    EXPECT_FLOAT_EQ(office->GRPVAL(), 100.0f);
    s.state.clock.dayType = 7;
    EXPECT_FLOAT_EQ(office->GRPVAL(), 0.0f);
    // The value kept for one time is never given at another.
    s.state.clock.dayType = 2;
    s.state.clock.decimalHour = 4.5f;  // halfway up the morning ramp
    EXPECT_FLOAT_EQ(office->GRPVAL(), 50.0f);
    s.state.clock.decimalHour = 12.0f;
    EXPECT_FLOAT_EQ(office->GRPVAL(), 100.0f);
    EXPECT_FLOAT_EQ(office->Value(12.0f, 1, 13), 0.0f);  // no such month: nothing
    EXPECT_TRUE(s.errors.empty());
}

TEST(GainTest, SplitsIntoZoneTermsAndDefaultsConsumption) {
    test::RecordingState s;
    Zone& zone = *s.state.zones->Add("Z1");
    s.state.reader.OpenText("PE,80,100,60,0.4,-1\nLI,80,200,0,0.7,0,150\n}\n");
    zone.gains.Read();
    ASSERT_EQ(zone.gains.Count(), 2);
    EXPECT_FLOAT_EQ(zone.gains.Item(1).FuelConsumption, 160.0f);
    EXPECT_FLOAT_EQ(zone.gains.Item(2).FuelConsumption, 150.0f);
    EXPECT_EQ(zone.gains.Item(1).FuelCode, -1);
    EXPECT_EQ(zone.gains.GetOccupancyProfileGroup(), zone.gains.Item(1).PG);
    Zone& other = *s.state.zones->Add("Z2");
    s.state.reader.OpenText("EQ,80,10,0,0.5,3e9\n}\n");
    other.gains.Read();
    EXPECT_EQ(other.gains.Item(1).FuelCode, 32767);  // clamped like every integer field

    zone.gains.Sim();
    EXPECT_FLOAT_EQ(zone.step.RDGN, 0.8f * (100 * 0.4f + 200 * 0.7f));
    EXPECT_FLOAT_EQ(zone.step.CNGN, 0.8f * (100 * 0.6f + 200 * 0.3f));
    EXPECT_FLOAT_EQ(zone.step.H2OGN1, 0.8f * 60 / 2450.0f);

    // Heat-loss runs take no gains.
    zone.step.CNGN = zone.step.RDGN = zone.step.H2OGN1 = 0.0f;
    s.state.clock.heatLossRun = true;
    zone.gains.Sim();
    EXPECT_EQ(zone.step.CNGN + zone.step.RDGN + zone.step.H2OGN1, 0.0f);
}

}  // namespace
}  // namespace kz7
