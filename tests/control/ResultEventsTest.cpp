// Result records of whole runs through the control: which records arrive,
// when, under which zone, and whether their values agree with each other.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "kz7/control/SimulateX.h"
#include "kz7/output/OutputStore.h"
#include "kz7/output/ResultStores.h"
#include "kz7/output/ResultVariables.h"
#include "kz7/platform/OleDate.h"
#include "thermal/ZoneTestModel.h"

namespace kz7::test {
namespace {

constexpr const char* kDenverEpw = "SimulationWeather\nUSA_CO_Denver.Intl.AP.725650_TMY3,4\nEnd\n";
constexpr const char* kDenverTape = "SimulationWeather\ndenver,3\nEnd\n";

std::string Options(int32_t timeStep, const std::string& period) {
    return "SimulationOptions\n" + std::to_string(timeStep) + "," + period + ",18,0,0.5\nEnd\n";
}

// Every zone output group selected for the intervals whose flag is 1, for
// the zones read before it.
std::string ZoneOutputs(const std::string& intervals, int32_t detailCode = 0) {
    std::string text = "DefaultZoneOutputOptions\n" + std::to_string(detailCode) + "\n";
    for (int32_t group = 1; group <= kZoneOutputGroupCount; ++group) text += intervals + "\n";
    return text + "End\n";
}

std::string Occupants(double sensible) {
    return "PE,100," + std::to_string(sensible) + ",50,0.5,-1,0\n";
}

// An office with occupants and a south window, and a store without either,
// heated by radiators on one gas boiler (fuel code 1) with flat part-load
// curves, no losses and 80 % conversion efficiency.
constexpr double kBoilerEfficiency = 0.8;

std::string OfficeAndStore(const std::string& officeKey, const std::string& storeKey) {
    ZoneText office;
    office.key = officeKey;
    office.floorArea = 80.0;
    office.opaque = BoxElements();
    office.glazed = Window("GLZ", 8, 180);
    office.airflow = Air("I", "100", 0.5);
    office.gains = Occupants(600) + Gain(400, 0.3);
    ZoneText store;
    store.key = storeKey;
    store.floorArea = 20.0;
    store.opaque = BoxElements("LIGHT");
    store.airflow = Air("I", "100", 2.0);
    auto heated = [](const ZoneText& zone, const std::string& definition, const std::string& setPoint) {
        const std::string text = ZoneRecord(zone);
        return text.substr(0, text.size() - 2) + "Heater\n" + definition + ",x," + setPoint + ",B1\nEnd\n}\n";
    };
    return "Boiler,B1\n100,1,1000,100,0,100,0,0,0,20\nEnd\nHeaterDefinition,R1\n0,6000,0.3\nEnd\n"
           "HeaterDefinition,R2\n0,4000,0.3\nEnd\nHeatLossWeather\n-12,5,0\nEnd\n" +
           heated(office, "R1", "21") + heated(store, "R2", "16");
}

struct Record {
    int16_t interval;
    int32_t zone;
    ValueArray values;
    CalendarDate date;
    double oleDate;
};

double Number(const ValueArray& values, ZoneVariable variable) {
    return std::stod(values.at(static_cast<size_t>(variable)));
}

class ResultEventsTest : public ::testing::Test {
  protected:
    ResultEventsTest() : control(state) {
        state.errorHandler = [this](const std::string& text) { errors.push_back(text); };
        control.SetSupportFilePath(KZ7_TEST_DATA);
        control.MessageChange = [this](std::string& text) { messages.push_back(text); };
        auto keep = [this](int16_t& interval, int32_t& zone, ValueArray& values, double& date) {
            records.push_back({interval, zone, values, FromOleDate(date), date});
        };
        control.SaveSSData = keep;
        control.SaveHGData = keep;
    }

    void Read(const std::string& text) {
        control.SetInputData(Library() + text);
        ASSERT_TRUE(control.ReadInputData());
    }

    std::vector<const Record*> Of(int16_t interval, int32_t zone) const {
        std::vector<const Record*> found;
        for (const Record& record : records)
            if (record.interval == interval && record.zone == zone) found.push_back(&record);
        return found;
    }
    size_t CountOf(int16_t interval) const {
        return static_cast<size_t>(std::count_if(records.begin(), records.end(),
                                                 [&](const Record& r) { return r.interval == interval; }));
    }

    EngineState state;
    SimulateX control;
    std::vector<std::string> errors, messages;
    std::vector<Record> records;
};

TEST_F(ResultEventsTest, AnnualWeatherFileRunSendsEveryHourThenMonthsSummariesAndTheFinish) {
    Read(Options(60, "1,1,31,12") + OfficeAndStore("12", "3") + ZoneOutputs("0,0,0,1") + kDenverEpw);
    control.SetHourlyResults(true);
    std::vector<float> progress;
    control.ProgressChange = [&] { progress.push_back(control.Progress()); };
    control.Simulate();

    // A typical year's months come from several years, yet its days run in
    // calendar order, one message each, the last at full progress.
    const auto isDay = [](const std::string& m) { return m.rfind("Simulating ", 0) == 0; };
    ASSERT_EQ(std::count_if(messages.begin(), messages.end(), isDay), 365);
    EXPECT_EQ(*std::find_if(messages.begin(), messages.end(), isDay), "Simulating 1/1");
    const auto january = std::find(messages.begin(), messages.end(), "Simulating 31/1");
    ASSERT_NE(january, messages.end());
    EXPECT_EQ(*(january + 1), "Simulating 1/2");
    EXPECT_EQ(messages[messages.size() - 2], "Simulating 31/12");
    ASSERT_GE(progress.size(), 2u);
    EXPECT_EQ(progress[progress.size() - 2], 1.0f);
    EXPECT_EQ(messages.back(), "finished");
    for (const int32_t zone : {12, 3, 0}) {
        EXPECT_EQ(Of(2, zone).size(), 8760u) << zone;  // the key "12" arrives as 12
        EXPECT_EQ(Of(4, zone).size(), 12u) << zone;
    }
    EXPECT_EQ(Of(6, 12).size(), 1u);
    EXPECT_EQ(Of(6, 3).size(), 1u);
    EXPECT_EQ(records.size(), 3u * (8760u + 12u) + 2u);
    // The summaries come after every interval record.
    EXPECT_EQ(records[records.size() - 2].interval, 6);
    EXPECT_EQ(records.back().interval, 6);
    // Months in order, each sent on its last day.
    const std::vector<const Record*> months = Of(4, 12);
    for (int32_t m = 1; m <= 12; ++m) EXPECT_EQ(months[static_cast<size_t>(m - 1)]->date.month, m);
    // Denver: January colder than July.
    EXPECT_LT(Number(months[0]->values, ZoneVariable::OutsideAirTemperature),
              Number(months[6]->values, ZoneVariable::OutsideAirTemperature));
    EXPECT_TRUE(errors.empty()) << errors.front();
}

// With the output detail code 2 each zone tells when its emitters switch on
// and off: exactly the steps whose heating starts or stops.
TEST_F(ResultEventsTest, DetailCodeTwoSendsEachPlantSwitchOfAZone) {
    Read(Options(10, "1,1,3,1") + OfficeAndStore("12", "Store") + ZoneOutputs("1,0,0,0", 2) +
         kDenverEpw);
    control.Simulate();
    ASSERT_EQ(messages.back(), "finished");
    size_t switches = 0;
    for (const int32_t zone : {12, 2}) {  // "Store" is sent under its position
        const std::vector<const Record*> steps = Of(1, zone), events = Of(7, zone);
        ASSERT_EQ(steps.size(), 3u * 144u) << zone;
        bool on = false;
        size_t next = 0;
        for (const Record* step : steps) {
            const bool heating = Number(step->values, ZoneVariable::Heating) != 0.0;
            if (heating == on) continue;
            on = heating;
            ASSERT_LT(next, events.size()) << zone;
            const Record& event = *events[next++];
            EXPECT_EQ(event.oleDate, step->oleDate);
            EXPECT_EQ(event.values, (ValueArray{"", on ? "1" : "-1"}));
        }
        EXPECT_EQ(next, events.size()) << zone;
        switches += events.size();
    }
    EXPECT_GT(switches, 1u);
    EXPECT_EQ(CountOf(7), switches);
}

TEST_F(ResultEventsTest, WarmUpDaysOfTheWeatherTapeSendNothing) {
    Read(Options(60, "1,1,31,12") + OfficeAndStore("1", "2") + kDenverTape);
    control.SetDailyResults(true);
    control.Simulate();

    // Each month simulates days 6 to 11; day 6 only warms the zones up.
    const std::vector<const Record*> days = Of(3, 1);
    ASSERT_EQ(days.size(), 12u * 5u);
    std::map<int32_t, std::vector<int32_t>> sent;
    for (const Record* day : days) sent[day->date.month].push_back(day->date.day);
    ASSERT_EQ(sent.size(), 12u);
    for (const auto& [month, numbers] : sent)
        EXPECT_EQ(numbers, (std::vector<int32_t>{7, 8, 9, 10, 11})) << month;
    EXPECT_EQ(messages.back(), "finished");
}

TEST_F(ResultEventsTest, HeatGainRunDeliversOnlyTheFifteenthDayOfEachMonth) {
    Read(Options(60, "1,1,31,12") + OfficeAndStore("1", "2"));
    control.SetTimeSteplyResults(true);  // design runs close no hours or days
    control.HeatGain();

    const std::vector<const Record*> steps = Of(1, 1);
    ASSERT_GE(steps.size(), 12u * 24u);
    ASSERT_EQ(steps.size() % 12u, 0u);
    const size_t perDay = steps.size() / 12u;
    for (size_t s = 0; s < steps.size(); ++s) {
        // A step's record carries the step's end: the day's last step ends at 00:00 of the 16th.
        EXPECT_EQ(steps[s]->date.day, s % perDay == perDay - 1 ? 16 : 15);
        EXPECT_EQ(steps[s]->date.month, static_cast<int32_t>(s / perDay) + 1);
    }
    EXPECT_EQ(Of(1, 0).size(), steps.size());
    EXPECT_EQ(Of(6, 1).size(), 1u);
    EXPECT_EQ(messages.back(), "finished");
}

// A month of half-hour steps with every zone and plant group selected at every interval.
class MonthCrossCheck : public ResultEventsTest {
  protected:
    void SetUp() override {
        Read(Options(30, "1,1,31,1") + OfficeAndStore("1", "2") + ZoneOutputs("1,1,1,1") +
             "PlantOutputOptions\n1,1,1,1\n1,1,1,1\n1,1,1,1\nEnd\n" + kDenverEpw);
        control.Simulate();
        ASSERT_EQ(messages.back(), "finished");
        ASSERT_EQ(Of(4, 0).size(), 1u);
    }
    const ValueArray& Month(int32_t zone) const { return Of(4, zone).front()->values; }
    double Plant(PlantVariable variable) const { return std::stod(Month(0).at(static_cast<size_t>(variable))); }
};

TEST_F(MonthCrossCheck, BoilerFuelIsTheMonthsHeatingOverTheEfficiency) {
    // The plant's heating is kept to 1e-3 kW a step, the zones' to 1e-2 kW.
    const double heating = Plant(PlantVariable::HeatingDelivered);
    ASSERT_GT(heating, 500.0);  // a January in Denver
    EXPECT_NEAR(heating, Number(Month(0), ZoneVariable::Heating), 1e-3 * heating);
    EXPECT_NEAR(Plant(PlantVariable::BoilerOutput), heating, 1e-3 * heating);
    EXPECT_NEAR(Plant(PlantVariable::Boiler1Fuel), heating / kBoilerEfficiency, 1e-3 * heating);
    EXPECT_NEAR(Plant(PlantVariable::Fuel2Use), Plant(PlantVariable::Boiler1Fuel), 1e-3 * heating);
    EXPECT_NEAR(Plant(PlantVariable::CarbonDioxide), 0.195 * Plant(PlantVariable::Fuel2Use), 1e-3 * heating);
    EXPECT_EQ(Month(0)[static_cast<size_t>(PlantVariable::Boiler2Fuel)], "-32768");  // no second boiler
}

TEST_F(MonthCrossCheck, ZoneValuesAgreeWithTheirPartsTheStepsAndTheBands) {
    double fabric = 0.0;
    for (int32_t p = static_cast<int32_t>(ZoneVariable::WallHeatFlow);
         p < static_cast<int32_t>(ZoneVariable::FabricHeatFlow); ++p)
        fabric += Number(Month(1), static_cast<ZoneVariable>(p));
    // Each text keeps seven digits: about 1e-3 kWh of each of 11 positions.
    EXPECT_NEAR(fabric, Number(Month(1), ZoneVariable::FabricHeatFlow), 1e-2);
    EXPECT_LT(Number(Month(1), ZoneVariable::WallHeatFlow), 0.0);  // January: walls lose heat
    EXPECT_GT(Number(Month(1), ZoneVariable::SolarGain), 0.0);
    EXPECT_EQ(Number(Month(2), ZoneVariable::SolarGain), 0.0);  // no glass
    // 744 h of 600 W occupants (50 W latent) and 400 W equipment.
    EXPECT_NEAR(Number(Month(1), ZoneVariable::OccupantGains), 744 * 0.6, 1e-2);
    EXPECT_NEAR(Number(Month(1), ZoneVariable::EquipmentGains), 744 * 0.4, 1e-2);
    EXPECT_NEAR(Number(Month(1), ZoneVariable::LatentGain), 744 * 0.05, 1e-2);
    // Only the office is ever occupied: the store has no occupied mean, and
    // the building's is the office's alone (how building values weigh the
    // zones is ResultStoresTest's).
    EXPECT_EQ(Month(2)[static_cast<size_t>(ZoneVariable::OccupiedAirTemperature)], "-32768");
    EXPECT_EQ(Month(0)[static_cast<size_t>(ZoneVariable::OccupiedAirTemperature)],
              Month(1)[static_cast<size_t>(ZoneVariable::OccupiedAirTemperature)]);

    // The summary's extremes are those of the step records.
    for (const int32_t zone : {1, 2}) {
        double highest = -1e9, lowest = 1e9;
        for (const Record* step : Of(1, zone)) {
            highest = std::max(highest, Number(step->values, ZoneVariable::AirTemperature));
            lowest = std::min(lowest, Number(step->values, ZoneVariable::AirTemperature));
        }
        const ValueArray& summary = Of(6, zone).front()->values;
        EXPECT_NEAR(std::stod(summary[3]), highest, 1e-4) << zone;  // MaxAirTemperature
        EXPECT_NEAR(std::stod(summary[6]), lowest, 1e-4) << zone;   // MinAirTemperature
    }

    // The temperature bands hold the occupied hours, around the occupied comfort mean.
    double hours = 0.0, weighted = 0.0;
    for (int32_t band = 1; band <= 100; ++band) {
        hours += control.TemperatureBands("1", band, 1);
        weighted += control.TemperatureBands("1", band, 1) * (band - 0.5);
        EXPECT_EQ(control.TemperatureBands("2", band, 1), 0.0f);  // never occupied
    }
    EXPECT_NEAR(hours, Number(Month(1), ZoneVariable::OccupiedHours), 1e-3);
    EXPECT_NEAR(hours, 744.0, 1e-3);
    EXPECT_NEAR(weighted / hours, Number(Month(1), ZoneVariable::OccupiedComfortTemperature), 0.5);
    EXPECT_EQ(control.TemperatureBands("1", 1, 2), 0.0f);  // February was not simulated
}

// One-minute steps round their mid-points onto shared minutes; their records
// must still carry 1440 distinct ends, the last at midnight.
TEST_F(ResultEventsTest, OneMinuteStepRecordsEachCarryTheirOwnEnd) {
    Read(Options(1, "1,1,1,1") + OfficeAndStore("1", "2") + kDenverEpw);
    control.SetTimeSteplyResults(true);
    control.Simulate();
    const std::vector<const Record*> steps = Of(1, 1);
    ASSERT_EQ(steps.size(), 1440u);
    const double day = std::floor(steps.front()->oleDate);
    for (size_t k = 0; k < steps.size(); ++k)
        EXPECT_NEAR((steps[k]->oleDate - day) * 1440.0, static_cast<double>(k + 1), 1e-6) << k;
}

// The zones skip filing step values nobody reads, but the summary's comfort
// extremes and the temperature bands must still see every occupied step.
TEST_F(ResultEventsTest, WithoutSelectedOutputsTheBandsAndComfortExtremesStillCount) {
    Read(Options(30, "1,1,31,1") + OfficeAndStore("1", "2") + kDenverEpw);
    control.Simulate();
    ASSERT_EQ(messages.back(), "finished");
    EXPECT_EQ(CountOf(4), 0u);
    double hours = 0.0;
    for (int32_t band = 1; band <= 100; ++band) hours += control.TemperatureBands("1", band, 1);
    EXPECT_NEAR(hours, 744.0, 1e-3);  // the office is occupied all month
    const ValueArray& summary = Of(6, 1).front()->values;
    const double maxComfort = std::stod(summary[2]), minComfort = std::stod(summary[5]);
    EXPECT_GT(maxComfort, minComfort);
    EXPECT_GT(minComfort, 0.0);
    EXPECT_LT(maxComfort, 40.0);
}

TEST_F(ResultEventsTest, DesignPeakHeatingIsTheLargestHourlyHeatingOfTheDesignDay) {
    Read(Options(60, "1,1,31,12") + OfficeAndStore("1", "2"));
    control.SaveHLData = control.SaveSSData;
    control.SetTimeSteplyResults(true);  // design runs close no hours: hourly steps instead
    control.SetIntermittent(true);       // heating from 6 to 18 h only, so hours differ
    control.SetStartOcc(8);
    control.SetEndOcc(18);
    control.SetPreheat(2);
    control.HeatLoss();
    ASSERT_EQ(messages.back(), "finished");
    std::vector<double> peaks;
    for (const int32_t zone : {1, 2}) {
        ASSERT_EQ(Of(1, zone).size(), 24u) << zone;  // the last design day only
        ASSERT_EQ(Of(6, zone).size(), 1u) << zone;
        double hourly = 0.0;
        for (const Record* hour : Of(1, zone)) hourly = std::max(hourly, Number(hour->values, ZoneVariable::Heating));
        peaks.push_back(std::stod(Of(6, zone).front()->values[0]));
        EXPECT_NEAR(hourly, peaks.back(), 0.006) << zone;  // records keep two decimals of kW
        EXPECT_EQ(Number(Of(1, zone)[2]->values, ZoneVariable::Heating), 0.0) << zone;  // 3 h: off
    }
    EXPECT_GT(std::fabs(peaks[0] - peaks[1]), 0.5);  // a swap of zones would show
}

TEST_F(ResultEventsTest, ZonesBeyondTheThousandthSendNothingAndTheHostIsToldOnce) {
    std::string zones;
    for (int32_t n = 1; n <= 1001; ++n) {
        ZoneText zone;
        zone.key = std::to_string(n);
        zone.opaque = Outside("W", "LIGHT", 20, 0, 90);
        zones += ZoneRecord(zone);
    }
    Read(Options(60, "1,1,1,1") + zones + kDenverEpw);
    control.SetHourlyResults(true);
    control.Simulate();

    EXPECT_EQ(Of(2, 1000).size(), 24u);
    EXPECT_EQ(Of(2, 1001).size(), 0u);
    EXPECT_EQ(Of(2, 0).size(), 24u);
    EXPECT_EQ(Of(6, 1001).size(), 1u);  // the summary is the zone's own
    EXPECT_EQ(std::count_if(messages.begin(), messages.end(),
                            [](const std::string& m) { return m.find("first 1000 zones") != std::string::npos; }),
              1);
}

TEST_F(ResultEventsTest, WithEveryHandleTakenTheRunSaysSoAndSendsNoIntervalRecords) {
    Read(Options(60, "1,1,1,1") + OfficeAndStore("Office", "2") + kDenverEpw);
    OutputStore& store = state.results->Store();
    for (int32_t n = 0; n < OutputStore::kHandleCount; ++n) ASSERT_NE(store.Allocate(2, 1, 1, 1.0f), 0);
    control.SetHourlyResults(true);
    control.Simulate();

    EXPECT_NE(std::find(errors.begin(), errors.end(), "Out of output system handles"), errors.end());
    EXPECT_EQ(CountOf(2), 0u);
    EXPECT_EQ(CountOf(6), 2u);
    EXPECT_EQ(Of(6, 1).size(), 1u);  // a key that is no number: the zone's position, as its records
    EXPECT_EQ(messages.back(), "finished");
}

TEST_F(ResultEventsTest, ARunCancelledMidHourSendsNoPartOfThatHour) {
    Read(Options(10, "1,1,1,1") + OfficeAndStore("1", "2") + kDenverEpw);
    control.SetHourlyResults(true);
    control.SetTimeSteplyResults(true);
    int32_t steps = 0;
    control.SaveSSData = [&](int16_t& interval, int32_t& zone, ValueArray& values, double& date) {
        records.push_back({interval, zone, values, FromOleDate(date), date});
        if (interval == 1 && zone == 0 && ++steps == 15) control.SetCancelled(true);  // 2.5 hours in
    };
    control.Simulate();

    EXPECT_EQ(messages.back(), "cancelled");
    EXPECT_EQ(Of(1, 1).size(), 15u);
    for (const int32_t zone : {1, 2, 0}) EXPECT_EQ(Of(2, zone).size(), 2u) << zone;
    EXPECT_EQ(CountOf(3), 0u);
    EXPECT_EQ(CountOf(6), 0u);
}

// The numeric form carries what the texts carry, on the run's own calendar:
// a December-to-January period of the typical year runs on into the next
// year, every stream's times increasing, while each record keeps its
// weather month's own date. Without a text listener the numbers are alike.
TEST_F(ResultEventsTest, TheNumericFormCarriesTheTextValuesOnTheRunsCalendar) {
    struct Numbers {
        int16_t interval;
        int32_t zone;
        std::vector<float> values;
        double date, time;
    };
    std::vector<Numbers> numbers;
    control.SaveResultRecord = [&numbers](const ResultRecord& r) {
        numbers.push_back({r.interval, r.zone, {r.values.begin(), r.values.end()}, r.date, r.time});
    };
    Read(Options(60, "1,12,31,1") + OfficeAndStore("1", "2") + ZoneOutputs("0,1,0,1") + kDenverEpw);
    control.Simulate();
    ASSERT_EQ(numbers.size(), records.size());
    std::map<std::pair<int16_t, int32_t>, double> last;
    for (size_t i = 0; i < records.size(); ++i) {
        const Record& text = records[i];
        const Numbers& number = numbers[i];
        ASSERT_EQ(number.interval, text.interval);
        ASSERT_EQ(number.zone, text.zone);
        EXPECT_EQ(number.date, text.oleDate);
        ASSERT_EQ(number.values.size(), text.values.size());
        for (size_t p = 0; p < text.values.size(); ++p) {
            const float fromText = ValueOfText(text.values[p]);
            if (std::isnan(fromText))
                EXPECT_TRUE(std::isnan(number.values[p])) << i << " " << p;
            else
                EXPECT_NEAR(number.values[p], fromText, 1e-6 * std::fabs(fromText) + 1e-30);
        }
        double& previous = last[{number.interval, number.zone}];
        EXPECT_GT(number.time, previous) << i;
        previous = number.time;
    }
    const std::vector<const Record*> months = Of(4, 1);
    ASSERT_EQ(months.size(), 2u);
    const Numbers& january = numbers[static_cast<size_t>(months[1] - records.data())];
    const Numbers& december = numbers[static_cast<size_t>(months[0] - records.data())];
    EXPECT_EQ(FromOleDate(january.time).year, FromOleDate(december.time).year + 1);

    // A fresh engine whose host takes numbers only: nothing is formatted,
    // and the numbers are the same.
    EngineState numbersOnly;
    SimulateX numbersControl(numbersOnly);
    numbersControl.SetSupportFilePath(KZ7_TEST_DATA);
    numbersControl.SetInputData(Library() + Options(60, "1,12,31,1") + OfficeAndStore("1", "2") +
                                ZoneOutputs("0,1,0,1") + kDenverEpw);
    ASSERT_TRUE(numbersControl.ReadInputData());
    std::vector<Numbers> alone;
    numbersControl.SaveResultRecord = [&alone](const ResultRecord& r) {
        alone.push_back({r.interval, r.zone, {r.values.begin(), r.values.end()}, r.date, r.time});
    };
    EXPECT_FALSE(numbersOnly.outputData.WantsTexts());
    numbersControl.Simulate();
    ASSERT_EQ(alone.size(), numbers.size());
    for (size_t i = 0; i < numbers.size(); ++i)
        ASSERT_EQ(std::memcmp(numbers[i].values.data(), alone[i].values.data(),
                              numbers[i].values.size() * sizeof(float)),
                  0)
            << i;
}

}  // namespace
}  // namespace kz7::test
