#include "kz7/engine/SimKZ7.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "kz7/engine/EngineState.h"
#include "kz7/export/KlimaWriter.h"
#include "kz7/export/NCMData.h"
#include "kz7/export/SbemRun.h"
#include "kz7/input/RecordProblem.h"
#include "kz7/input/Site.h"
#include "kz7/model/Building.h"
#include "kz7/model/GlazedConstruction.h"
#include "kz7/model/Louvre.h"
#include "kz7/model/OpaqueConstruction.h"
#include "kz7/model/OpaqueMaterial.h"
#include "kz7/model/Profile.h"
#include "kz7/model/ProfileGroup.h"
#include "kz7/model/RenewablesCosts.h"
#include "kz7/model/ShadingCosts.h"
#include "kz7/model/Surface.h"
#include "kz7/model/Zone.h"
#include "kz7/output/ResultStores.h"
#include "kz7/thermal/Plant.h"
#include "kz7/weather/Weather.h"

namespace kz7 {

namespace {

constexpr const char* kDefaultDatabase = "Dbs.KZ7";
constexpr const char* kFinished = "finished";
constexpr const char* kCancelled = "cancelled";
constexpr const char* kSizingHeating = "sizing heating system";
constexpr const char* kWritingResults = "writing results to database";
constexpr const char* kIntermittentDesign = "Intermittent heating design";
constexpr const char* kSteadyStateDesign = "Steady-state heating design";
constexpr const char* kSummerDesign = "Summer design simulation";
constexpr const char* kSimulating = "Simulating ";

constexpr int32_t kHoursPerDay = 24;
constexpr int32_t kReducedDaysPerMonth = 6;
constexpr int32_t kReducedFirstDay = 6;
constexpr int32_t kReducedLastDay = 11;
// Progress of a reduced run is measured against a whole year of tape days.
constexpr double kReducedYearHours = 12.0 * kReducedDaysPerMonth * kHoursPerDay;
constexpr int32_t kHeatLossDesignDays = 50;
constexpr int32_t kHeatLossWeatherDays = 20;
constexpr int32_t kHeatGainDesignDays = 15;
constexpr float kHeatLossInitialTemperature = 15.0f;

// Result-store control codes and interval codes.
constexpr int32_t kStoreInitialise = -999;
constexpr int32_t kStoreReset = 0;
constexpr int32_t kStoreOpen = 2;
constexpr int32_t kStoreClose = 5;
constexpr int32_t kIntervalStep = 1;
constexpr int32_t kIntervalHour = 2;
constexpr int32_t kIntervalDay = 3;
constexpr int32_t kIntervalMonth = 4;
constexpr int16_t kIntervalAnnual = 5;

// Weather types and their modes of REDWET.
constexpr int32_t kWeatherHourly = 2;
constexpr int32_t kWeatherTape = 3;
constexpr int32_t kWeatherEPW = 4;
constexpr int32_t kRedwetDesign = 0;
constexpr int32_t kRedwetOpenTape = 1;
constexpr int32_t kRedwetStep = 2;

bool IsFullYearWeather(int32_t weatherType) {
    return weatherType == kWeatherHourly || weatherType == kWeatherEPW;
}

int32_t CurrentYearOfComputerClock() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_year + 1900;
}

// Closes the reader however the read ends. A field read as a number that is
// not one is an error of its record: the record is read with the number's
// leading part, which is seldom what was meant ("8OOO" for 8000).
class OpenDocument {
  public:
    explicit OpenDocument(EngineState& state) : reader_(state.reader) {
        reader_.onNotANumber = [&state](const std::string& field, double read) {
            ReportRecordProblem(state, "\"" + ShortText(field) +
                                           "\" is not a number; it is read as " +
                                           NumberToText(read));
        };
    }
    ~OpenDocument() {
        reader_.Close();
        reader_.onNotANumber = nullptr;
    }
    OpenDocument(const OpenDocument&) = delete;
    OpenDocument& operator=(const OpenDocument&) = delete;

  private:
    LineReader& reader_;
};

}  // namespace

std::vector<int32_t> MinuteMarks(int32_t timeStep) {
    const int32_t step = std::clamp(timeStep, 1, 60);
    const int32_t steps = 60 / step;
    std::vector<int32_t> marks;
    marks.reserve(static_cast<size_t>(steps));
    for (int32_t k = 0; k < steps; ++k) {
        const double midPoint = step * (k + 0.5);
        marks.push_back(static_cast<int32_t>(std::nearbyint(midPoint)));
    }
    return marks;
}

std::vector<int32_t> PeriodMonths(const SimulationPeriod& period) {
    std::vector<int32_t> months;
    const int32_t first = std::clamp(period.startMonth, 1, 12);
    const int32_t last = std::clamp(period.endMonth, 1, 12);
    for (int32_t month = first;; month = month == 12 ? 1 : month + 1) {
        months.push_back(month);
        if (month == last) break;
    }
    return months;
}

int32_t SimulationDayCount(const SimulationPeriod& period, const CalendarDate& firstRecord,
                           const CalendarDate& lastRecord) {
    const CalendarDate start{period.startYear, period.startMonth, period.startDay};
    const CalendarDate end{period.endYear, period.endMonth, period.endDay};
    if (period.endYear == period.startYear) return DaysBetween(start, end) + 1;
    if (period.endYear < period.startYear)
        return DaysBetween(start, lastRecord) + 1 + DaysBetween(firstRecord, end) + 1;
    const CalendarDate yearEnd{period.startYear, 12, 31};
    const CalendarDate yearStart{period.endYear, 1, 1};
    return DaysBetween(start, yearEnd) + 1 + DaysBetween(yearStart, end) + 1;
}

// ---------------------------------------------------------------- reading

void SimKZ7::SetProgramFolder() {
    std::error_code error;
    std::filesystem::path folder =
        std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    if (error || folder.empty()) folder = std::filesystem::current_path(error);
    RunClock& clock = state_.clock;
    clock.programFolder = (folder / "").string();
    clock.programFolderSet = true;
}

void SimKZ7::Init() {
    SetProgramFolder();
    state_.results->ZoneControl(kStoreInitialise);
    state_.results->PlantControl(kStoreInitialise);
}

void SimKZ7::Read(const std::string& FileName) {
    ReadX(FileName, XmlElement(), XmlElement());
}

void SimKZ7::ReadX(const std::string& FileName, XmlElement tiDoc, XmlElement tiConstructions) {
    DataFileName = FileName;
    Init();
    ReadModel(tiDoc, tiConstructions, false);
}

void SimKZ7::ReadXMLConstruction(const std::string& FileName, XmlElement tiDoc,
                                 XmlElement tiConstructions) {
    DataFileName = FileName;
    SetProgramFolder();
    ReadModel(tiDoc, tiConstructions, true);
}

void SimKZ7::ReadModel(XmlElement tiDoc, XmlElement tiConstructions, bool constructionsOnly) {
    // Only a regular file is a document: a folder would read as empty and a
    // device such as /dev/zero would never end its first line.
    std::error_code error;
    LineReader& reader = state_.reader;
    if (!std::filesystem::is_regular_file(DataFileName, error) || !reader.Open(DataFileName))
        throw ModelReadError("Cannot open the model file \"" + DataFileName + "\"");
    OpenDocument document(state_);
    if (constructionsOnly) {
        state_.site->ReadXMLConstruction(tiDoc, tiConstructions);
        return;
    }
    state_.site->Read(tiDoc, tiConstructions);
    // Each zone's records need a number of their own: say which zones clash
    // and what they are sent as, before any result is stored.
    std::vector<std::string> renumbered;
    state_.zones->ResultNumbers(&renumbered);
    for (const std::string& note : renumbered) state_.message.SendTextMessage(note);
}

void SimKZ7::ClearData() {
    state_.recordOrigins.Clear();
    state_.profiles->Clear();
    state_.profileGroups->Clear();
    state_.opaqueMaterials->Clear();
    state_.opaqueConstructions->Clear();
    state_.louvres->Clear();
    state_.glazedConstructions->Clear();
    // The plant clears its cooler and heater definitions, boilers, chillers
    // and hot water together; nothing between them depends on the order.
    state_.plant->Clear();
    state_.surfaces->Clear();
    state_.zones->Clear();
    state_.ncm->Clear();
    state_.shadingCosts->Clear();
    state_.renewablesCosts->Clear();
    state_.building->Costs = {};

    // Without a support folder there is no default database (not one in the
    // working folder, nor one at the root).
    const std::string& support = state_.settings.supportFilePath;
    if (support.empty()) return;
    const std::filesystem::path database = std::filesystem::path(support) / kDefaultDatabase;
    std::error_code error;
    LineReader& reader = state_.reader;
    if (!std::filesystem::is_regular_file(database, error) || !reader.Open(database.string()))
        return;
    OpenDocument document(state_);
    state_.site->Read(XmlElement(), XmlElement());
}

// ---------------------------------------------------------------- run modes

void SimKZ7::Simulate() {
    RunClock& clock = state_.clock;
    clock.runKind = 2;
    clock.heatLossRun = false;
    clock.heatGainRun = false;
    if (IsFullYearWeather(clock.weatherType))
        SimulateFull();
    else
        SimulateReduced();
}

void SimKZ7::SimulateFull() {
    RunClock& clock = state_.clock;
    clock.runKind = 2;
    clock.warmUpDays = 0;
    RunSetUp();
    const int32_t totalDays = clock.warmUpDays + clock.numberOfDays;
    for (int32_t dayIndex = 1 - clock.warmUpDays; dayIndex <= clock.numberOfDays && !Cancelled;
         ++dayIndex) {
        clock.warmUp = dayIndex < 1;
        if (dayIndex >= 1) SetProgress(static_cast<double>(dayIndex) / totalDays);
        StartOfDay();
        for (int32_t hour = 1; hour <= kHoursPerDay && !Cancelled; ++hour) RunHour(hour, true);
        EndOfDay();
        if (IsEndOfMonth()) EndMonth();
        state_.Yield();
    }
    if (!Cancelled) SendSummaryResultsEvents();
    Finish();
}

void SimKZ7::SimulateReduced() {
    RunClock& clock = state_.clock;
    clock.runKind = 2;
    RunSetUp();
    clock.year = CurrentYearOfComputerClock();
    int32_t simulatedDays = 0;
    for (const int32_t month : PeriodMonths(clock.period)) {
        if (Cancelled) break;
        clock.month = month;
        for (int32_t day = kReducedFirstDay; day <= kReducedLastDay && !Cancelled; ++day) {
            ++simulatedDays;
            clock.day = day;
            clock.dayType = day - 1 > 7 ? day - 8 : day - 1;
            clock.warmUp = day == kReducedFirstDay;
            clock.date = ToOleDate(clock.year, month, day);
            StartOfDay();
            for (int32_t hour = 1; hour <= kHoursPerDay && !Cancelled; ++hour) {
                SetProgress((kHoursPerDay * simulatedDays + hour - kHoursPerDay) /
                            kReducedYearHours);
                RunHour(hour, true);
                state_.Yield();
            }
            EndOfDay();
        }
        EndMonth();
    }
    if (!Cancelled) SendSummaryResultsEvents();
    Finish();
}

void SimKZ7::HeatLoss() {
    RunClock& clock = state_.clock;
    clock.runKind = 2;
    clock.heatLossDesignDays = kHeatLossDesignDays;
    clock.heatLossRun = true;
    clock.heatGainRun = false;
    clock.initialTemperature = kHeatLossInitialTemperature;
    clock.weatherType = kWeatherTape;
    RunSetUp();
    SendText(kSizingHeating);
    clock.month = 1;
    clock.day = 0;
    // Progress is reported once per design day, after its hours.
    const double totalHours = static_cast<double>(clock.heatLossDesignDays) * kHoursPerDay;
    int32_t hoursDone = 0;
    for (int32_t day = 1; day <= clock.heatLossDesignDays && !Cancelled; ++day) {
        clock.day = day;
        clock.warmUp = day < clock.heatLossDesignDays;
        state_.zones->InitDay();
        StartOfDay();
        for (int32_t hour = 1; hour <= kHoursPerDay && !Cancelled; ++hour) {
            RunHour(hour, false);
            ++hoursDone;
        }
        SetProgress(hoursDone / totalHours);
        state_.Yield();
    }
    // The heat-loss run sizes the heating: without the summaries its design
    // peaks (PeakHeatingLoad) would never reach the host.
    if (!Cancelled) SendSummaryResultsEvents();
    Finish();
}

void SimKZ7::HeatGain() {
    RunClock& clock = state_.clock;
    clock.runKind = 2;
    clock.heatGainDesignDays = kHeatGainDesignDays;
    clock.heatGainRun = true;
    clock.heatLossRun = false;
    Cancelled = false;
    clock.weatherType = kWeatherTape;
    RunSetUp();
    const std::vector<int32_t> months = PeriodMonths(clock.period);
    const double totalHours =
        static_cast<double>(months.size()) * clock.heatGainDesignDays * kHoursPerDay;
    int32_t hoursBegun = 0;
    for (const int32_t month : months) {
        clock.month = month;
        for (int32_t day = 1; day <= clock.heatGainDesignDays && !Cancelled; ++day) {
            clock.day = day;
            clock.warmUp = day < clock.heatGainDesignDays;
            clock.dayType = 1;
            // The records of the design day carry its date, as those of other runs do.
            clock.date = ToOleDate(clock.year, month, day);
            StartOfDay();
            for (int32_t hour = 1; hour <= kHoursPerDay && !Cancelled; ++hour) {
                ++hoursBegun;
                SetProgress(hoursBegun / totalHours);
                RunHour(hour, false);
                state_.Yield();
            }
        }
    }
    if (!Cancelled) SendSummaryResultsEvents();
    Finish();
}

// ---------------------------------------------------------------- run set-up and finish

void SimKZ7::RunSetUp() {
    SetProgress(0.0);
    monthStarted_ = false;
    Cancelled = false;
    state_.clock.totalFloorArea = state_.zones->FloorArea();
    state_.clock.calendar.Start();
    PrepareWeather();
    state_.zones->InitSimulation();
    state_.plant->InitSimulation();
    state_.results->ZoneControl(kStoreReset);
    state_.results->ZoneControl(kStoreOpen);
    state_.results->PlantControl(kStoreOpen);
}

void SimKZ7::PrepareWeather() {
    RunClock& clock = state_.clock;
    Weather& weather = *state_.weather;
    if (clock.heatLossRun || clock.heatGainRun) {
        weather.REDWET(kRedwetDesign);
        return;
    }
    if (clock.weatherType == kWeatherTape) {
        weather.REDWET(kRedwetOpenTape);
    } else if (clock.weatherType == kWeatherEPW) {
        weather.OpenWeatherDatabase();
        // A typical-year file joins months of different years: its period is
        // counted by month and day alone (a period ending before it starts
        // still wraps), with February as long as the file holds it.
        const SimulationPeriod& period = clock.period;
        clock.numberOfDays =
            weather.RecordsFormOneYear()
                ? SimulationDayCount(period, weather.FirstRecordDate(), weather.LastRecordDate())
                : weather.TypicalYearPeriodDays(period.startMonth, period.startDay, period.endMonth,
                                                period.endDay);
        clock.month = clock.period.startMonth;
        clock.day = clock.period.startDay;
        clock.year = clock.period.startYear;
    }
}

void SimKZ7::Finish() {
    SetProgress(1.0);
    if (Cancelled) {
        SendText(kCancelled);
        EndSimResults();
    } else {
        SendText(kFinished);
    }
}

// ---------------------------------------------------------------- days and months

void SimKZ7::StartOfDay() {
    RunClock& clock = state_.clock;
    ResultStores& results = *state_.results;
    const bool fullYear = IsFullYearWeather(clock.weatherType);
    if (clock.warmUp) {
        if (fullYear) {
            results.ZoneInterval(true, kIntervalMonth);
            results.PlantInterval(true, kIntervalMonth);
        }
    } else if (monthStarted_) {
        if (fullYear) AdvanceCalendarDay();
    } else {
        monthStarted_ = true;
        results.ZoneInterval(true, kIntervalMonth);  // resets the monthly totals
        results.PlantInterval(true, kIntervalMonth);
    }
    SendMessage();
    SetIntervalWeights();
}

void SimKZ7::AdvanceCalendarDay() {
    RunClock& clock = state_.clock;
    ++clock.day;
    if (clock.day > CurrentMonthLength()) {
        clock.day = 1;
        clock.month = clock.month == 12 ? 1 : clock.month + 1;
    }
}

int32_t SimKZ7::CurrentMonthLength() const {
    const int32_t month = state_.clock.month;
    if (state_.clock.weatherType == kWeatherEPW) return state_.weather->DaysInRecordMonth(month);
    return DaysInMonth(month, state_.weather->CurrentRecordYear());
}

void SimKZ7::SetIntervalWeights() {
    const RunClock& clock = state_.clock;
    ResultStores& results = *state_.results;
    results.SetIntervalWeight(kIntervalStep, 1.0f);
    results.SetIntervalWeight(kIntervalHour, 1.0f);
    results.SetIntervalWeight(kIntervalDay, 1.0f);
    const int32_t dayType = clock.dayType == 0 ? 7 : clock.dayType;
    const float monthWeight = IsFullYearWeather(clock.weatherType)
                                  ? 1.0f
                                  : state_.weather->DayWeight(clock.month, dayType);
    results.SetIntervalWeight(kIntervalMonth, monthWeight);
}

void SimKZ7::EndOfDay() {
    const bool warmUp = state_.clock.warmUp;
    state_.results->ZoneInterval(warmUp, kIntervalDay);
    state_.results->PlantInterval(warmUp, kIntervalDay);
}

bool SimKZ7::IsEndOfMonth() const {
    const RunClock& clock = state_.clock;
    if (IsFullYearWeather(clock.weatherType)) return clock.day == CurrentMonthLength();
    return clock.day == kReducedLastDay;
}

void SimKZ7::EndMonth() {
    const bool warmUp = state_.clock.warmUp;
    if (state_.clock.weatherType == kWeatherTape) monthStarted_ = false;
    state_.results->ZoneInterval(warmUp, kIntervalMonth);
    state_.results->PlantInterval(warmUp, kIntervalMonth);
}

// ---------------------------------------------------------------- hours and steps

void SimKZ7::RunHour(int32_t hour, bool annual) {
    RunClock& clock = state_.clock;
    clock.hour = hour;
    // Taken once per hour: a zone may change the time step during the hour.
    const std::vector<int32_t> marks = MinuteMarks(clock.timeStep);
    const int32_t stepMinutes = 60 / static_cast<int32_t>(marks.size());
    for (size_t k = 0; k < marks.size(); ++k) {
        clock.decimalHour = static_cast<float>(hour - 1 + marks[k] / 60.0);
        clock.stepEndMinute = (hour - 1) * 60 + static_cast<int32_t>(k + 1) * stepMinutes;
        StartOfStep();
        EndOfStep(SolveStep());
        if (Cancelled) break;
    }
    if (annual) {
        state_.results->ZoneInterval(clock.warmUp, kIntervalHour);
        state_.results->PlantInterval(clock.warmUp, kIntervalHour);
    }
}

void SimKZ7::StartOfStep() {
    const RunClock& clock = state_.clock;
    Weather& weather = *state_.weather;
    if (clock.heatGainRun) {
        weather.REDWET(kRedwetStep);
    } else if (!clock.heatLossRun) {
        if (clock.weatherType == kWeatherEPW)
            weather.ReadHourlyData();
        else if (clock.weatherType == kWeatherTape)
            weather.REDWET(kRedwetStep);
    }
    if (state_.settings.doShading)
        state_.shadingData.SetCurrentSolPos(weather.SunAltitude, weather.SunAzimuth);
    state_.plant->InitTimeStep();
    state_.zones->InitTimeStep();
}

bool SimKZ7::SolveStep() {
    bool filed = false;
    if (state_.clock.warmUp) {
        state_.zones->SimulateStep();
    } else {
        ResultStores::ZoneStepFiling filing(*state_.results,
                                            state_.results->IntervalWeight(kIntervalMonth));
        filed = state_.zones->SimulateStep(&filing);
    }
    state_.plant->Solve();
    return filed;
}

void SimKZ7::EndOfStep(bool zonesFiled) {
    const bool warmUp = state_.clock.warmUp;
    if (!warmUp) {
        if (!zonesFiled)
            state_.results->FileZoneStep(*state_.zones,
                                         state_.results->IntervalWeight(kIntervalMonth));
        state_.results->RecordPlantStep();
        state_.zones->EndStep();
    }
    state_.results->ZoneInterval(warmUp, kIntervalStep);
    state_.results->PlantInterval(warmUp, kIntervalStep);
}

// ---------------------------------------------------------------- messages and hooks

void SimKZ7::SetProgress(double fraction) {
    state_.message.UpdateProgress(static_cast<float>(fraction));
}

void SimKZ7::SendText(std::string text) {
    state_.message.SendTextMessage(std::move(text));
}

void SimKZ7::SendMessage() {
    const RunClock& clock = state_.clock;
    if (clock.heatLossRun)
        SendText(state_.settings.intermittent ? kIntermittentDesign : kSteadyStateDesign);
    else if (clock.heatGainRun)
        SendText(kSummerDesign);
    else
        SendText(kSimulating + std::to_string(clock.day) + "/" + std::to_string(clock.month));
}

bool SimKZ7::IsDayMessage(std::string_view text) {
    return text.starts_with(kSimulating) || text == kIntermittentDesign ||
           text == kSteadyStateDesign || text == kSummerDesign;
}

void SimKZ7::CopyResults() {
    if (!Cancelled) SendText(kWritingResults);
}

void SimKZ7::EndSimResults() {
    state_.results->ZoneControl(kStoreClose);
    state_.results->PlantControl(kStoreClose);
}

void SimKZ7::SendSummaryResultsEvents() {
    state_.zones->SendSummaryResultsEvents();
}

void SimKZ7::GenerateSSWeatherData() {
    Cancelled = false;
    state_.settings.generateWeatherDataEvents = true;
    state_.clock.heatLossRun = false;
    state_.clock.heatGainRun = false;
    state_.weather->OpenWeatherDatabase();
    state_.weather->CloseWeatherDatabase();
}

void SimKZ7::GenerateHGWeatherData() {
    RunClock& clock = state_.clock;
    state_.settings.generateWeatherDataEvents = true;
    clock.heatGainRun = true;
    clock.heatLossRun = false;
    Cancelled = false;
    clock.heatGainDesignDays = kHeatGainDesignDays;
    clock.day = kHeatGainDesignDays;
    state_.weather->REDWET(kRedwetDesign);
}

void SimKZ7::GenerateHLWeatherData() {
    RunClock& clock = state_.clock;
    state_.settings.generateWeatherDataEvents = true;
    clock.heatLossRun = true;
    clock.heatGainRun = false;
    Cancelled = false;
    clock.heatLossDesignDays = kHeatLossWeatherDays;
    clock.day = kHeatLossWeatherDays;
    state_.weather->REDWET(kRedwetDesign);
}

void SimKZ7::GetAnnualSBEM() {
    state_.outputData.SaveData(kIntervalAnnual, 0, AnnualSBEMResults, ToOleDate(2003, 1, 1));
}

bool SimKZ7::SBEM(const SbemRunParameters& parameters) {
    // A failed run must not leave the previous run's figures to GetAnnualSBEM.
    AnnualSBEMResults.clear();
    return SbemRun(state_, parameters).Run(AnnualSBEMResults);
}

void SimKZ7::Klima() {
    KlimaWriter(state_).Run();
}

void SimKZ7::WriteDiagnostics(const std::string& Message) {
    const std::string& fileName = state_.settings.diagnosticsFilename;
    if (fileName.empty()) return;
    std::ofstream file(fileName, std::ios::app);
    file << Message << '\n';  // a file that cannot be written is ignored
}

void SimKZ7::SetIsV4Flag(bool flag) {
    if (!flag) return;
    state_.settings.isV5 = false;
    state_.settings.isV5F = false;
}

void SimKZ7::SetIsV5Flag(bool flag) {
    state_.settings.isV5 = flag;
    if (flag) state_.settings.isV5F = false;
}

void SimKZ7::SetIsV5_F_Flag(bool flag) {
    state_.settings.isV5F = flag;
    if (flag) state_.settings.isV5 = false;
}

}  // namespace kz7
