#pragma once
// A zone of the building and the zone set that drives every zone through the
// stages of a run.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kz7/engine/ProcessSettings.h"
#include "kz7/input/KeyedCollection.h"
#include "kz7/model/Cooler.h"
#include "kz7/model/Element.h"
#include "kz7/model/Gain.h"
#include "kz7/model/Heater.h"
#include "kz7/model/SecondaryCooler.h"
#include "kz7/model/SecondaryHeater.h"
#include "kz7/model/ThermalMembers.h"
#include "kz7/model/ZoneStepState.h"
#include "kz7/output/ZoneStepValues.h"
#include "kz7/platform/CacheLines.h"
#include "kz7/thermal/Complex.h"

namespace kz7 {

class EngineState;
class ProfileGroup;
class ReportFile;
class SolvedZoneListener;
struct MaxUValues;
struct SunView;
struct WindowAreas;

// The zone's SBEM data, carried to the SBEM writer.
struct ZoneSBEMData {
    std::string HVACSystem;          // "SBEMHVAC": key of the site's HVAC system serving the zone
    std::string DHWSystem;           // "SBEMDHW": key of the site's hot-water system
    float DHWDemandOverride = 0.0f;  // l/(m²·day); 0 keeps the activity's figure
    bool HasZonalHVAC = false;       // "SBEMZonalHVAC"
    std::string VentilationType;
    float SpecificFanPower = 0.0f;  // W/(l/s)
    std::string HeatRecoveryType;
    float HeatRecoveryEfficiency = 0.0f;  // fraction
    std::string DemandControl;
    std::vector<float> PsiValues;  // "SBEMGlobalPSIValues", W/(m·K), in junction order
    bool HasLighting = false;      // "SBEMLighting"
    std::string LightingType;
    float LightingEfficacy = 0.0f;      // luminaire lm/W
    float LightingPowerDensity = 0.0f;  // W/m²
    std::string OccupancyControl;
    std::string DaylightControl;
    bool ConstantIlluminance = false;
};

class Zone : public ThermalMembers {
  public:
    static constexpr int32_t kOutputGroups = 10;
    static constexpr int32_t kIntervals = 4;
    using OutputSelection = ZoneOutputOptions;

    explicit Zone(EngineState& state)
        : state_(state), gains(state, *this), elements(state, *this) {}

    // The "Zone" record from its keyword line to its closing "}".
    void Read();
    // For a list of the zone's elements or gains whose line starts with
    // `keyword`: true when that is the keyword of another of the zone's
    // sub-records, so that the list's closing "}" is missing. The list then
    // ends there (said as an error naming `list`), and the line is put back
    // for the zone to read as that sub-record.
    bool EndsListWithoutClose(const std::string& keyword, const char* list);
    void ReadOptions();
    void ReadSBEMGlobalPSIValues();
    void ReadSBEMZonalHVAC();
    void ReadSBEMDHW();
    void ReadSBEMHVAC();
    void ReadSBEMLighting();
    kz7::Heater& HeaterOrNew();
    kz7::Cooler& CoolerOrNew();
    kz7::SecondaryHeater& SecondaryHeaterOrNew();
    kz7::SecondaryCooler& SecondaryCoolerOrNew();

    std::optional<double> Member(std::string_view name, int32_t index = 0) const override;

    // Stages of a run, called by the zone set in collection order.
    void InitSimulation();
    void InitDay();
    void InitTimeStep();
    void SolveGains();
    // The same under a sun and sky the caller worked out for the step, so
    // that a building's zones share one.
    void SolveGains(const SunView& sun);
    // The step's sun and sky, which the shading surfaces are given too.
    static SunView StepSun(EngineState& state);
    void Acum();
    // Asks the memory system for the lines of this zone's elements' step
    // block and of its gains, which its gains and accumulation read, ahead
    // of them (thermal/ZoneGains.cpp).
    void PrefetchElements() const;
    // The same for the list of the gains that PrefetchElements walks, a
    // zone ahead of it.
    void PrefetchGainList() const;
    // The same for the zone's own lines that say where its step block and
    // gain list are, a zone ahead of PrefetchGainList.
    void PrefetchListPlaces() const;
    // The same for the lines of the circuit, its step coefficients and the
    // node temperatures, ahead of the zone's solution (thermal/ZoneSolution.cpp).
    void PrefetchCircuit() const;
    // The same for what filing the zone's step reads and writes: its step
    // flows with their codes and plan, and its step values.
    void PrefetchFiling() const;
    // The lines saying where the step flows lie, a zone ahead of
    // PrefetchFiling, which reads them.
    void PrefetchFilingPlaces() const { elements.PrefetchStepLists(); }
    // `fileValues`: whether the step's result values are read (ZoneStepValues).
    void SolveKZ7(bool fileValues = true);
    // The plant's switching (output detail code 2), then the step's comfort
    // extremes.
    void EndStep();
    // The step's air, radiant and comfort extremes of the zone summary, in
    // the runs and steps that count them.
    void UpdateStepExtremes();
    // The zone summary record, sent as zone `number` (Zones::ResultNumbers).
    void SendSummaryResultsEvents(int32_t number);
    // True when the air temperature and the peak heating load have settled.
    void CheckHeatLossConverged(bool& converged) const;
    // Whether the zone is occupied at the run clock's time.
    bool ISOCC() const;
    // Heating and cooling of the step, after the free-running solution
    // (thermal/ZoneEmitters.cpp).
    void SolveEmitters();
    // The secondary, weather-compensated heater or cooler (ordinary runs).
    void SolveSecondaryEmitters();
    // The convective output q (W, never negative) an emitter must give, with
    // radiant output q·f beside it, to bring the control temperature from
    // `controlTemperature` to `setPoint`: `selector` 1 the heater, 2 the
    // secondary heater; `mode` 1 heating, any other cooling. A storage heater
    // gives the convective part of its core's release instead.
    void QPA(int32_t selector, int32_t mode, float f, float setPoint, float controlTemperature, float& q);
    // The control temperature's change per watt of radiant and per watt of
    // convective input this step, for a control radiant fraction `rf`.
    void ControlResponse(float rf, float& perRadiantWatt, float& perConvectiveWatt) const;
    // The temperature the emitters control on: air and mean radiant
    // temperature mixed by the control radiant fraction of the options.
    float ControlTemperature() const;

    // ---- What a step reads and writes, in the order of the step's passes
    // on the zone's first ten cache lines; the step's result values, then
    // the fields only reading, reports and exports use come after them
    // (docs/zone-thermal.md, "Speed").
    // The first line, beside the class's table pointer: what both passes of
    // a step and the gains read besides the step state.
  protected:
    EngineState& state_;

  public:
    float SolarLost = 0.0f;  // read from the record
    // Circuit (W/K, J/K) read at every step; the rest of it stands below.
    float K0 = 2e-20f, K1 = 0.0f, K2 = 0.0f, K5 = 1e-20f, K6Heavy = 0.0f;
    float K23 = 0.0f, CM2 = 0.0f;
    float ALPHA1 = 0.0f;
    float Volume = 0.0f;
    int16_t OCONOF = 0;    // occupancy of the current step: 1 on, 0 off
    int16_t OCONOFN1 = 0;  // occupancy of the previous step
    bool KlimaIsHeated = false;
    bool KlimaIsCooled = false;

  private:
    // Whether this step's solution sets `stepValues`: the step of a run
    // whose results nobody collects leaves their lines alone.
    bool fileStepValues_ = true;
    void FileStepValue(ZoneVariable variable, float value) {
        if (fileStepValues_) stepValues.Set(variable, value);
    }

  public:
    // The node temperatures, sums, flows and coefficients of the step, from
    // the next line on; what the solution alone reads fills the rest of its
    // fourth line and the line after it: the emitters, the step's
    // temperatures and the comfort extremes.
    alignas(kCacheLine) ZoneStepState step;
    std::unique_ptr<kz7::Heater> Heater;
    std::unique_ptr<kz7::Cooler> Cooler;
    std::unique_ptr<kz7::SecondaryHeater> SecondaryHeater;
    std::unique_ptr<kz7::SecondaryCooler> SecondaryCooler;
    float AirTemperature = 0.0f;
    float RadiantTemperature = 0.0f;
    float ComfortTemperature = 0.0f;
    ProfileGroup* ComfortPG = nullptr;  // read from the record
    double MaxAirTemperature = 0.0, MaxRadiantTemperature = 0.0, MaxComfortTemperature = 0.0;
    double MinAirTemperature = 999.0, MinRadiantTemperature = 999.0, MinComfortTemperature = 999.0;
    float MAXTRM = -999.0f, MINTRM = 999.0f;  // extremes of the comfort temperature
    // Read when the emitters work.
    double PeakHeatingLoad = 0.0;
    double PeakCoolingLoad = 0.0;

    // The gains pass's lists of gains and elements, from a line of their
    // own: what it reads of them comes first in each, on three lines.
    alignas(kCacheLine) Gains gains;
    Elements elements;

    // Files the step's temperatures, gains, flows, moisture and occupancy
    // into `stepValues` for the result stores (thermal/ZoneResults.cpp):
    // the relative humidity and the rest. The humidity's power and divisions
    // wait on one another and on the zone's solution, so the run's filing
    // works it out a zone later (ResultStores::ZoneStepFiling).
    void FileStepValues();
    void FileRelativeHumidity();
    void FileStepValuesBesidesHumidity();
    // Adds the step to the temperature bands and the comfort extremes that
    // the zone summary reports; `dayWeight` is the number of days the
    // simulated day stands for.
    void TallyComfort(float dayWeight);

    // ---- Part L queries (compliance/PartL.cpp) and report writers (output/).
    // Heated: a heater whose set-point schedule gives 10 °C or more at hour 10
    // of a January Wednesday; moves the run clock there and leaves it so.
    bool IsHeated();
    // The neighbour across an element to another zone, nullptr when none.
    Zone* Neighbour(const Element& element) const;
    void GetMaxUValues(MaxUValues& values);
    void GetWindowAreas(WindowAreas& areas) const;
    void GetAverageUValue(double& area, double& areaTimesU) const;
    bool PassPartL122() const;
    bool PassPartLAppendixH();
    static void SolarLoadTableH1(double orientationDegrees, double& load);
    float SolarLoad = 0.0f;  // W/m², written by PassPartLAppendixH
    void GenerateReport(ReportFile& file) const;
    void GenerateCasaClimaReport(ReportFile& file) const;
    int32_t ReportId = 0;  // set by Zones::GenerateIds
    // ---- end of Part L queries and report writers.

    // ==== Zone circuit, step solution and accumulation ====================
    // thermal/ZoneCircuit.cpp, thermal/ZoneSolution.cpp,
    // thermal/ZoneAccumulation.cpp, weather/ElementSolar.cpp.

    // Builds the zone's KZ7 circuit from its elements; ends with CAL3RD.
    void SetKZ7Circuit();
    // The step coefficients from the circuit, the time step, SIGKA and SIGKP.
    void SetKZ7Coefficients();
    // Impedance of the elements in parallel (all, or only the excluded ones
    // when JUSTPART); MODEL 1 the one-node, otherwise the multi-node view.
    Complex ZELS(bool JUSTPART, int32_t MODEL, double w) const;
    Complex HKZ7RM(double w, double RX1, double CX1) const;
    Complex HMULTIRM(double w) const;
    // Adds the sun a window lets through or absorbs this step to the
    // zone's gains and sums (weather/ElementSolar.cpp).
    void SOLDST(const Elements::WindowPath& window);
    // The node update of the step and the step's outputs.
    void SOLVT();
    void SolveMoisture();
    // Fits the third node (K23, CM2) and shrinks the time step when the
    // explicit third node needs it.
    void CAL3RD();
    Complex Z2CAL(Complex ZLIGHT, Complex ZPARTS, Complex ZIN, Complex Z3, Complex Z2, Complex Z5) const;
    // Density (kg/m³) and specific heat (J/(kg·K)) of air at t °C and G g/kg.
    static void AIRPRP(float t, float G, float& ROAIR, float& CP);
    // Index (from 1) of this zone's partition matching `element`; 0 when none.
    void SERCH1(const Element& element, int32_t& index) const;
    // This zone's unpaired element facing `from` through a shading plane
    // (IOS 6) that matches `element` as SERCH1 matches; nullptr when none.
    Element* FindShadedPartner(const Element& element, const Zone& from) const;
    // Step length, s.
    float StepSeconds() const;
    // The step duties: 1 heating, 2 cooling.
    float Duty(int32_t i) const;
    void SetDuty(int32_t i, float value);
    uint8_t IRMOP(int32_t interval, int32_t group) const;
    void SetIRMOP(int32_t interval, int32_t group, uint8_t value);
    int16_t RMACUM(int32_t interval, int32_t group) const;
    void SetRMACUM(int32_t interval, int32_t group, int16_t value);
    int16_t RMORD(int32_t i) const;
    void SetRMORD(int32_t i, int16_t value);

    // The step's result values, read by the zone result store. After the
    // fields every step reads: a run without stored results only clears
    // them. From a line of its own, so that what the emitters set takes two.
    alignas(kCacheLine) ZoneStepValues stepValues;

    // Read when the circuit is set up, once a day, on the design days or
    // in messages, not in an ordinary step: after the fields a step reads.
    std::string Key;
    float LastAirTemperature = 0.0f;
    double LastPeakHeatingLoad = 0.0;
    // The rest of the circuit (W/K, J/K), read when the step coefficients
    // are worked out again, and what is summed while it is set up.
    float CA = 0.0f;
    float K3 = 1e-20f, K4 = 0.0f, K7 = 0.0f;
    float CM = 0.0f;
    float K6 = 0.0f;
    float SUMC = 0.0f;
    float LTOT = 0.0f;
    // Preheat search of intermittent heating.
    float PreheatLow = 0.0f, PreheatHigh = 9999999.0f, PreheatTrial = 0.0f;
    int32_t PreheatState = 0;

private:
    // The terms the step coefficients are worked out through
    // (SetKZ7Coefficients), kept with the zone's fields a step does not read.
    struct StepCoefficientTerms {
        float KMS = 0.0f, DA = 0.0f, DM = 0.0f, DEN = 0.0f;
        float A1 = 0.0f, A2 = 0.0f, A3 = 0.0f, A4 = 0.0f, A5 = 0.0f, A6 = 0.0f;
    };
    StepCoefficientTerms terms_;
    // Circuit passes (thermal/ZoneCircuit.cpp).
    struct CircuitPass;
    bool AddElementToPass(const Element& element, CircuitPass& pass);
    void FinishPass(CircuitPass& pass);
    // Acum parts (thermal/ZoneAccumulation.cpp).
    void AccumulateAirFlow(const Elements::AirflowPath& air, float To, float Go);
    bool AccumulateMassPartition(Elements::PartitionPath& partition);
    void AccumulateLightPartition(const Elements::PartitionPath& partition);
    void AdvanceThirdNode();
    void ReduceTimeStepForThirdNode();
    // The intermittent-heating occupancy state at the run clock (0..3).
    int32_t PreheatStateNow() const;
    void UpdateExtremes();

    std::array<std::array<int16_t, kOutputGroups>, kIntervals> rmacum_{};
    std::array<int16_t, kOutputGroups> rmord_{};
    // ==== end of the zone circuit block ===================================

  public:
    // Hours of the comfort table (ComfortHoursTable) by band and month.
    float COMHRS(int32_t band, int32_t month) const;

    // Read from the record; reading, result filing, reports and exports use
    // them.
    float FloorArea = 0.0f;
    float ComfortLowerLimit = 16.0f;
    float ComfortUpperLimit = 26.0f;
    std::string Description;
    float LightM = 1.0f;
    float PerimeterArea = 0.0f;
    int32_t SBEMActivityId = 0;
    std::string SBEMActivityName;
    int32_t SBEMZoneMultiplier = 1;
    float NumberSBEMCorners = 0.0f;
    float KlimaExportValue = 0.0f;
    double KlimaNumberPeople = 0.0;
    std::string SBEMExportText1;
    double ZoneHeight = 0.0;
    std::array<std::string, 3> SBEMExportValues;
    std::string SBEMExportText2;
    std::string SBEMExportValue4;
    double KlimaHeatingSetPointTemperature = 0.0;
    double KlimaCoolingSetPointTemperature = 0.0;
    std::array<std::string, 2> ListTexts;  // version-5 layouts only
    OutputSelection Outputs{};
    bool HasOwnOutputOptions = false;
    ZoneSBEMData SBEM;

    // Hours per temperature band (100) and month (12), filled by the zone's
    // result accumulation; COMHRS reads it 1-based, 0 outside the table.
    std::array<std::array<float, 12>, 100> ComfortHoursTable{};
};

class Zones {
  public:
    explicit Zones(EngineState& state) : state_(state) {}

    // Collection.
    int32_t Count() const { return items_.Count(); }
    Zone* Find(int32_t position) const { return items_.Find(position); }
    Zone* Find(std::string_view key) const { return items_.Find(key); }
    Zone& Item(int32_t position) const { return items_.Item(position); }
    Zone& Item(std::string_view key) const { return items_.Item(key); }
    void Remove(std::string_view key) {
        items_.Remove(key);
        stepStarts_.clear();
    }
    void Clear() {
        items_.Clear();
        stepStarts_.clear();
        defaultOutputs_ = {};
    }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }
    // Zones are kept in reading order: a new zone goes at the end.
    Zone* Add(const std::string& key);

    // Readers of the "Zone" and additional emitter records.
    void Read();
    void ReadAdditionalHeater();
    void ReadAdditionalCooler();
    void ReadAdditionalSecondaryHeater();
    // Copies `matrix` into every zone read so far without its own options,
    // and keeps it for the zones read after it: the record applies wherever
    // it stands in the document (a zone's own "OutputOptions" still wins).
    void SetDefaultOutputOptions(const Zone::OutputSelection& matrix);
    // Reports elements whose adjacent zone key names no zone; the number reported.
    int32_t CheckReferences() const;

    // Stages of a run over all zones in order. InitTimeStep takes the step's
    // occupancy; each zone's own step start (Zone::InitTimeStep) is made in
    // SimulateStep, which also takes the comfort extremes and tells
    // `solved`, when given, of each zone as it is solved; it answers false
    // when a cancel in the gains pass left the zones unsolved. EndStep
    // sends the plant's switching (output detail code 2) and takes the
    // extremes after it.
    void InitSimulation();
    void InitDay();
    void InitTimeStep();
    bool SimulateStep(SolvedZoneListener* solved = nullptr);
    void EndStep();
    void SendSummaryResultsEvents();
    // The Zone argument of every zone's result records, by position (element
    // 0 unused), all distinct and above 0 (0 is the building, -1 a weather
    // row): a key that is a whole number above 0 keeps it, unless an earlier
    // zone holds it already ("1" and "01"); any other zone takes its position,
    // or when that is held, the first free number after it. One line per
    // zone goes to `renumbered` for a zone that gets neither its key nor its
    // position, and to `positional` for one sent under its position.
    std::vector<int32_t> ResultNumbers(std::vector<std::string>* renumbered = nullptr,
                                       std::vector<std::string>* positional = nullptr) const;
    void CheckHeatLossConverged(bool& converged) const;
    void OCCINI(int32_t code);
    void MatchPartitions();

    float FloorArea() const;
    void GTOTFA(float& area, float& volume) const;

    // ---- Part L queries (compliance/PartL.cpp), report writers and cost and
    // carbon totals (output/). Costs are in the reporting currency.
    void GetMaxUValues(MaxUValues& values);
    void GetWindowAreas(WindowAreas& areas);
    double GetAverageUValue();
    bool PassPartL122() const;
    bool PassPartLAppendixH();
    void GenerateReport(ReportFile& file) const;
    void GenerateZoneMap(ReportFile& file) const;
    void GenerateIds() const;
    void GenerateEmbodiedCO2Report(ReportFile& file) const;
    void GenerateCostReport(ReportFile& file) const;
    void GenerateSurfaceFinishReport(ReportFile& file) const;
    void GenerateSubStructureCost(ReportFile& file) const;
    void GenerateHVACCost(ReportFile& file) const;
    void GenerateLightingCost(ReportFile& file) const;
    void GenerateStructureCost(ReportFile& file) const;
    double TotalBuildingCost() const;
    double TotalStructureCost() const;
    double TotalHVACCost() const;
    double TotalLightingCost() const;
    double TotalSubStructureCost() const;
    double SuperStructureCost() const;
    double GlazingCost() const;
    double TotalSurfaceFinishCost() const;
    double TotalBuildingCarbon() const;
    double TotalBuildingEquivalentCarbon() const;
    // ---- end of Part L queries, report writers and totals.

  private:
    // The zone named on an additional emitter record's keyword line, made
    // current; nullptr (reported, record skipped) when there is none.
    Zone* AdditionalEmitterZone(const char* record);
    // Plans where in the gains pass each zone's step starts: in its own
    // turn, or in that of the first zone whose partitions add to its sums.
    void PlanStepStarts();
    // Asks for the pages of every zone's step state to be huge pages.
    void KeepStepStateOnHugePages() const;

    EngineState& state_;
    KeyedCollection<Zone> items_;
    // The zones in the order their steps start, and how many start in each
    // zone's turn (almost always one, the zone itself); planned at the start
    // of a run and again whenever zones are added or removed.
    std::vector<Zone*> stepStarts_;
    std::vector<uint32_t> startsInTurn_;
    Zone::OutputSelection defaultOutputs_{};  // for zones read from now on
};

// The number a zone key stands for: true with `number` when the key is a
// whole number above 0 ("7", " 07", "+7"), false otherwise.
bool ZoneNumberFromKey(std::string_view key, int32_t& number);

}  // namespace kz7
