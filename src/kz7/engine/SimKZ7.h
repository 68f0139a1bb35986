#pragma once
// The engine object: reads the model, clears it, and drives the run modes
// (annual on full-year hourly weather or on a reduced tape, heating design,
// cooling design) over months, days, hours and time steps.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "kz7/control/OutputData.h"
#include "kz7/engine/RunClock.h"
#include "kz7/export/SbemRunParameters.h"
#include "kz7/platform/OleDate.h"
#include "kz7/platform/XmlElement.h"

namespace kz7 {

class EngineState;

// Minute marks of the steps of one hour: the mid-point of each step as a
// whole minute, rounded halves to even (15 minutes: 8, 22, 38, 52). An hour
// always holds 60 / time step steps; steps outside 1..60 are taken as 1 or 60.
std::vector<int32_t> MinuteMarks(int32_t timeStep);

// Days of a simulation period on an hourly weather file whose records run
// from `firstRecord` to `lastRecord`: same year: the days between + 1; end
// year before start year (a period wrapping within the file): start to the
// last record plus first record to end; end year after start year: start to
// 31 December plus 1 January to end. Leap years count 366 days.
int32_t SimulationDayCount(const SimulationPeriod& period, const CalendarDate& firstRecord,
                           const CalendarDate& lastRecord);

// Months of a simulation period in run order: start month to end month,
// passing from December to January when the period wraps the year end.
std::vector<int32_t> PeriodMonths(const SimulationPeriod& period);

class SimKZ7 {
  public:
    explicit SimKZ7(EngineState& state) : state_(state) {}

    std::string OutputDbName;
    std::string AnnualScenarioTableName;
    int16_t RecalKode = 0;
    std::string Description;
    std::string DataFileName;
    bool Cancelled = false;

    // Annual results handed to the host by GetAnnualSBEM (filled by the SBEM run).
    ValueArray AnnualSBEMResults;

    void Init();
    // Model reads; a file that cannot be opened or is not text throws ModelReadError.
    void Read(const std::string& FileName);
    void ReadX(const std::string& FileName, XmlElement tiDoc, XmlElement tiConstructions);
    void ReadXMLConstruction(const std::string& FileName, XmlElement tiDoc,
                             XmlElement tiConstructions);
    // Empties the model, then reads "Dbs.KZ7" from the support folder when it can be opened.
    void ClearData();

    // Run modes.
    void Simulate();
    void SimulateFull();
    void SimulateReduced();
    void HeatLoss();
    void HeatGain();

    void EndMonth();
    // The message of the day starting: "Simulating d/m", or the design
    // run's name.
    void SendMessage();
    // Whether `text` is one of SendMessage's day messages, which a host may
    // show as progress rather than as news.
    static bool IsDayMessage(std::string_view text);
    void CopyResults();
    void EndSimResults();
    void SendSummaryResultsEvents();

    void GenerateSSWeatherData();
    void GenerateHGWeatherData();
    void GenerateHLWeatherData();
    void GetAnnualSBEM();
    // Writes the SBEM input file, runs the tool (and the certificate
    // generator) in the SBEM folder and sends its results; true when results
    // were loaded.
    bool SBEM(const SbemRunParameters& parameters);
    // Writes "in.inp" for CasaClima into the CasaClima folder and starts the
    // CasaClima program when one is named.
    void Klima();
    void WriteDiagnostics(const std::string& Message);
    // Writes the model report to a new temporary file and stores its name in
    // CSVReportFilename (output/ReportGenerate.cpp). Throws on a file error,
    // leaving no report file and an empty CSVReportFilename.
    void GenerateReport();

    // Input-format switches; at most one of V5 and V5_F is set.
    void SetIsV4Flag(bool flag);
    void SetIsV5Flag(bool flag);
    void SetIsV5_F_Flag(bool flag);

  private:
    void SetProgramFolder();
    void ReadModel(XmlElement tiDoc, XmlElement tiConstructions, bool constructionsOnly);
    void RunSetUp();
    void PrepareWeather();
    void StartOfDay();
    void AdvanceCalendarDay();
    void SetIntervalWeights();
    void EndOfDay();
    // One hour of time steps; annual runs also close the hour interval.
    void RunHour(int32_t hour, bool annual);
    void StartOfStep();
    // Outside warm-up the zones' results are filed as each zone is solved;
    // false when a cancel left them to the end of the step.
    bool SolveStep();
    void EndOfStep(bool zonesFiled);
    bool IsEndOfMonth() const;
    int32_t CurrentMonthLength() const;
    void SetProgress(double fraction);
    void SendText(std::string text);
    void Finish();

    EngineState& state_;
    bool monthStarted_ = false;
};

}  // namespace kz7
