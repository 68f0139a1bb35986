#include "kz7/input/Options.h"

#include <cmath>
#include <string>

#include "kz7/engine/EngineState.h"
#include "kz7/input/RecordProblem.h"
#include "kz7/model/Zone.h"
#include "kz7/platform/OleDate.h"

namespace kz7 {

namespace {

constexpr int32_t kLeapYear = 2000;  // lets a period name 29 February

bool IsDayOfYear(int32_t day, int32_t month) {
    return month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(month, kLeapYear);
}

}  // namespace

bool IsWholeDivisorOfHour(int32_t minutes) {
    return minutes >= 1 && minutes <= 60 && 60 % minutes == 0;
}

void Options::Read() {
    LineReader& reader = state_.reader;
    reader.NextLine();
    const int32_t timeStep = reader.NextInteger();
    const int32_t startDay = reader.NextInteger();
    const int32_t startMonth = reader.NextInteger();
    const int32_t endDay = reader.NextInteger();
    const int32_t endMonth = reader.NextInteger();
    const float initialTemperature = reader.NextSingle();
    const float emitterControlValue = reader.NextSingle();
    const float resultStoreValue = reader.NextSingle();

    SetTimeStep(timeStep);
    SetPeriod(startDay, startMonth, endDay, endMonth);
    RunClock& clock = state_.clock;
    ProcessSettings& settings = state_.settings;
    clock.initialTemperature =
        FiniteOr(initialTemperature, clock.initialTemperature, "initial temperature");
    settings.emitterControlValue =
        FiniteOr(emitterControlValue, settings.emitterControlValue, "emitter control value");
    settings.resultStoreValue =
        FiniteOr(resultStoreValue, settings.resultStoreValue, "radiant weight");
    reader.NextLine();  // closing line
}

// A step that does not divide the hour would leave part of every hour
// unsimulated (or a step of 0 would never end the hour), so it is refused.
void Options::SetTimeStep(int32_t minutes) {
    RunClock& clock = state_.clock;
    if (IsWholeDivisorOfHour(minutes)) {
        clock.SetTimeStep(minutes);
        return;
    }
    ReportRecordProblem(state_, "time step " + std::to_string(minutes) +
                                    " minutes does not divide the hour; " +
                                    std::to_string(clock.timeStep) + " minutes kept");
}

void Options::SetPeriod(int32_t startDay, int32_t startMonth, int32_t endDay, int32_t endMonth) {
    SimulationPeriod& period = state_.clock.period;
    if (IsDayOfYear(startDay, startMonth) && IsDayOfYear(endDay, endMonth)) {
        period.startDay = startDay;
        period.startMonth = startMonth;
        period.endDay = endDay;
        period.endMonth = endMonth;
        return;
    }
    ReportRecordProblem(
        state_, "simulation period " + std::to_string(startDay) + "/" + std::to_string(startMonth) +
                    " to " + std::to_string(endDay) + "/" + std::to_string(endMonth) +
                    " is not a pair of calendar days; " + std::to_string(period.startDay) + "/" +
                    std::to_string(period.startMonth) + " to " + std::to_string(period.endDay) +
                    "/" + std::to_string(period.endMonth) + " kept");
}

float Options::FiniteOr(float value, float current, const char* what) {
    if (std::isfinite(value)) return value;
    ReportRecordProblem(state_, std::string(what) + " is not a finite number; previous value kept");
    return current;
}

OutputSelection Options::ReadOutputSelection() {
    const ProcessSettings& settings = state_.settings;
    const bool forced[4] = {settings.timeSteplyResults, settings.hourlyResults,
                            settings.dailyResults, false};
    LineReader& reader = state_.reader;
    reader.NextLine();
    OutputSelection selection{};
    for (size_t interval = 0; interval < selection.size(); ++interval) {
        selection[interval] = reader.NextInteger();
        if (forced[interval]) selection[interval] = 1;
    }
    return selection;
}

void Options::ReadDefaultZoneOutputOptions() {
    LineReader& reader = state_.reader;
    ProcessSettings& settings = state_.settings;
    reader.NextLine();
    settings.outputDetailCode = reader.NextInteger();
    for (OutputSelection& group : settings.zoneOutputOptions) group = ReadOutputSelection();
    state_.zones->SetDefaultOutputOptions(settings.zoneOutputOptions);
    reader.NextLine();  // closing line
}

void Options::ReadPlantOutputOptions() {
    for (OutputSelection& group : state_.settings.plantOutputOptions) group = ReadOutputSelection();
    state_.reader.NextLine();  // closing line
}

}  // namespace kz7
