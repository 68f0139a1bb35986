#pragma once
// SimulateX: the control a host creates. It holds a few values of its own,
// forwards every calculation to the engine object, and turns the engine's
// notifications (Message, OutputData, ShadingData) into its own events.
// Controls made with the default constructor share the process-wide engine.
#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "kz7/control/OutputData.h"
#include "kz7/platform/XmlElement.h"

namespace kz7 {

class EngineState;
class OpaqueMaterials;
class Weather;
class Zones;

// Dispatch identifiers of the control's events.
enum class SimulateXEventId : int32_t {
    MessageChange = 1,
    ProgressChange = 2,
    SaveHLData = 3,
    SaveHGData = 4,
    SaveSSData = 5,
    EraseData = 6,
    GetShadingData = 7,
    SetCurrentSolarPosition = 8,
};

// The standard automation error of a refused property assignment.
class AutomationError : public std::runtime_error {
  public:
    AutomationError(int32_t code, const std::string& what)
        : std::runtime_error(what), code_(code) {}
    int32_t Code() const { return code_; }

  private:
    int32_t code_;
};

// Read-only property set at run time / at design time.
constexpr int32_t kErrorSetNotSupportedAtRuntime = 382;
constexpr int32_t kErrorSetNotPermitted = 387;

class SimulateX {
  public:
    SimulateX();
    explicit SimulateX(EngineState& state);
    ~SimulateX();
    SimulateX(const SimulateX&) = delete;
    SimulateX& operator=(const SimulateX&) = delete;

    // ---- Events (every argument by reference: a handler may write them).
    std::function<void(std::string& Message)> MessageChange;
    std::function<void()> ProgressChange;
    using ResultHandler =
        std::function<void(int16_t& Interval, int32_t& Zone, ValueArray& Values, double& DateIn)>;
    ResultHandler SaveHLData;
    ResultHandler SaveHGData;
    ResultHandler SaveSSData;
    // Every record the three events above would carry, as numbers with its
    // time on the run's calendar (OutputData.h): for hosts that store results.
    // While none of the three text events is handled, the result stores skip
    // formatting their texts.
    std::function<void(const ResultRecord& Record)> SaveResultRecord;
    std::function<void(int16_t& Interval, int32_t& Zone)> EraseData;
    std::function<void(int32_t& PlaneIndex, float& DirectShadingFactor,
                       float& DiffuseShadingFactor)>
        GetShadingData;
    std::function<void(float& Altitude, float& Azimuth)> SetCurrentSolarPosition;
    // The container's property-changed notification, with the property's name.
    std::function<void(const std::string& propertyName)> PropertyChanged;

    // The container's design-mode state: decides which refusal a read-only
    // object property gives.
    bool DesignMode = false;

    // The container's property initialisation.
    void InitProperties();

    // ---- Methods that start work.
    void Simulate();
    void HeatLoss();
    void HeatGain();

    // ---- Reading the model; false when there is nothing to read or the read failed.
    bool ReadInputData();
    bool ReadInputDataX(XmlElement tiDoc, XmlElement tiConstructions);
    bool ReadXMLConstructionData(XmlElement tiDoc, XmlElement tiConstructions);
    std::string ErrorMessage() const { return "Error reading data"; }

    // ---- Outside tools.
    // Describes the model to SBEM, runs it in SBEMPath and sends its monthly
    // results; true when results were loaded (GetAnnualSBEM then sends the
    // annual ones).
    bool SBEM(int32_t RegsType, int32_t EPCType, int32_t BERSTAGE, int32_t BRSTAGE, int32_t BRS6BTYPE,
              bool BRS6ACCREDCONST, bool BRS6NVCREDIT, const std::string& EPClanguage,
              const std::string& SBEMProduceEPCXML, const std::string& SBEMScotlandRatingImprov,
              bool AllowMergeZones, bool GenDataReflection, bool SBEM32bFeatures,
              const std::string& EAActivationCode, const std::string& ProxyServerURL,
              const std::string& ProxyServerPort, const std::string& ProxyServerUsername,
              const std::string& ProxyServerPassword);
    // Writes the CasaClima input file into KlimaPath and starts KlimaProgram.
    void Klima();

    // ---- Other forwarded operations.
    void CleanUp();
    void GetAnnualSBEM();
    void GenerateWeatherData(const std::string& fn);
    void GenerateHGWeatherData();
    void GenerateHLWeatherData();
    void MatchPartitions();
    float TemperatureBands(const std::string& sZone, int32_t Band, int32_t Month) const;
    void RaiseProgressEvent();
    // Runs `sShell` in `sDefaultDir` through the process runner, waiting for
    // it to end; `sStdOut` receives what it printed (or the failure text).
    bool ShellAndWait(int32_t& Owner, std::string& sShell, std::string& sDefaultDir, bool& bPause,
                      std::string& sStdOut, int32_t eWindowStyle = 0,
                      const std::string& sError = {}, int32_t lTimeOut = 0);
    void WriteOutputData() {}
    void SummaryResults(int32_t /*OP*/) {}

    // ---- Part L queries on the model as read (compliance/PartL.h).
    void GetMaxUValues(double& PitchedRoofUWithInsulationBetweenRafters,
                       double& PitchedRoofUWithInsulationBetweenJoists, double& FlatRoofU,
                       double& WallsU, double& FloorsU, double& WindowsMetalFramesU,
                       double& WindowsWoodFramesU, double& RooflightsU, double& LargeDoorsU);
    void GetWindowAreas(double& WindowArea, double& RooflightArea, double& WallArea,
                        double& RoofArea, double& ShopWindowDisplayArea);
    double GetAverageUValue();
    bool PassPartL122();
    bool PassPartLAppendixH();
    // Read `InputData` as the model, then copy out the construction at
    // position `ID`. The single form leaves 0 in its outputs when there is
    // none, the double form leaves them as they were; both say so in a message.
    void GetConstructionData(const std::string& InputData, int32_t ID, float& UValue, float& HCO,
                             float& RadO, float& SRO, float& HCI, float& RadI, float& SRI);
    void GetConstructionDataDouble(const std::string& InputData, int32_t ID, double& RValue,
                                   double& UValue, double& UValueSurfaceToSurface, double& HCO,
                                   double& RadO, double& SRO, double& HCI, double& RadI,
                                   double& SRI, double& Thickness, double& CM);

    // ---- The report (output/Report.h) and the cost and carbon totals, in
    // the reporting currency (GBP × GBPConversionRate).
    void StandardReport();
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
    double TotalRenewablesCost() const;

    // ---- Flag setters.
    void SetIsV4Flag(bool flag);
    void SetIsV5Flag(bool flag);
    void SetIsV5_F_Flag(bool flag);
    void SetUse300Flag(bool flag);
    void SetDiagnosticsFilename(const std::string& fn);

    // ---- Properties held by the control (a let notifies PropertyChanged).
    const std::string& SupportFilePath() const { return supportFilePath_; }
    void SetSupportFilePath(const std::string& value);
    const std::string& OutputDbName() const { return outputDbName_; }
    void SetOutputDbName(const std::string& value) {
        SetHeldText(outputDbName_, value, "OutputDbName");
    }
    const std::string& InputFileName() const { return inputFileName_; }
    void SetInputFileName(const std::string& value) {
        SetHeldText(inputFileName_, value, "InputFileName");
    }
    const std::string& InputData() const { return inputData_; }
    void SetInputData(const std::string& value) { SetHeldText(inputData_, value, "InputData"); }
    const std::string& ScenerioTable() const { return scenerioTable_; }
    void SetScenerioTable(const std::string& value) {
        SetHeldText(scenerioTable_, value, "ScenerioTable");
    }
    float Progress() const { return progress_; }
    void SetProgress(float value);
    bool Simulating() const { return simulating_; }

    bool Cancelled() const;
    void SetCancelled(bool value);

    // Object properties: read-only; an assignment raises AutomationError.
    Zones* BZones() const { return zones_; }
    Weather* WeatherReference() const { return weatherReference_; }
    const std::any& Boilers() const { return boilers_; }
    const std::any& Chillers() const { return chillers_; }
    const std::any& Fuels() const { return fuels_; }
    void SetBZones(Zones* value);
    void SetBoilers(const std::any& value);
    void SetChillers(const std::any& value);
    void SetFuels(const std::any& value);

    Weather& WeatherData() const;
    OpaqueMaterials& Materials() const;

    // Floor-area-weighted mean comfort temperature of the zones; empty when
    // the zones have no floor area.
    std::optional<float> BuildingAverageTemperature() const;
    void SetBuildingAverageTemperature(double value) {
        buildingAverageTemperature_ = static_cast<float>(value);
    }

    // ---- Process-wide settings.
    bool HourlyResults() const;
    void SetHourlyResults(bool value);
    bool HalfHourlyResults() const;
    void SetHalfHourlyResults(bool value);
    bool TimeSteplyResults() const;
    void SetTimeSteplyResults(bool value);
    bool DailyResults() const;
    void SetDailyResults(bool value);
    bool GenerateWeatherDataEvents() const;
    void SetGenerateWeatherDataEvents(bool value);
    int32_t Scenario() const;
    void SetScenario(int32_t value);
    bool NoGain() const;
    void SetNoGain(bool value);
    bool DoShading() const;
    void SetDoShading(bool value);
    bool Intermittent() const;
    void SetIntermittent(bool value);
    float Preheat() const;
    void SetPreheat(float value);
    float StartOcc() const;
    void SetStartOcc(float value);
    float EndOcc() const;
    void SetEndOcc(float value);
    int32_t YearJan1() const;
    int32_t YearSimStart() const;
    int32_t SiteRecordSimStart() const;
    bool DevRights() const;
    void SetDevRights(bool value);
    bool UseOTE() const;
    void SetUseOTE(bool value);
    bool UseUAT() const;
    void SetUseUAT(bool value);
    const std::string& SBEMPath() const;
    void SetSBEMPath(const std::string& value);
    void SetKlimaPath(const std::string& value);
    void SetKlimaProgram(const std::string& value);
    bool GenerateReport() const;
    void SetGenerateReport(bool value);
    bool IncludeCostOutputs() const;
    void SetIncludeCostOutputs(bool value);
    bool IncludeTableSizeHeaderReports() const;
    void SetIncludeTableSizeHeaderReports(bool value);
    int32_t ReportType() const;
    void SetReportType(int32_t value);
    const std::string& CSVReportFilename() const;
    double GBPConversionRate() const;
    void SetGBPConversionRate(double value);
    const std::string& CurrencyCode() const;
    void SetCurrencyCode(const std::string& value);

    EngineState& State() const { return state_; }

  private:
    enum class ReadKind { Model, ModelWithDocument, Constructions };
    bool ReadSteps(ReadKind kind, XmlElement tiDoc, XmlElement tiConstructions);
    // Steps 3 and 4 of a read: the model file to read, or nothing.
    bool PrepareInputFile(bool& temporary);
    void ConnectListeners(bool withShading);
    void OnProgress(float progress);
    void OnSaveData(int16_t& interval, int32_t& zone, ValueArray& values, double& date);
    // Whether a record of `interval` reaches the host in the current run.
    bool PassesRecord(int16_t interval) const;
    void RunForwarded(const std::function<void()>& engineCall);
    void SetHeldText(std::string& field, const std::string& value, const char* name);
    void Notify(const char* name);
    [[noreturn]] void RefuseAssignment(const char* name) const;

    EngineState& state_;
    // Shared with the event-source handlers so that they fall silent once
    // this control is gone.
    std::shared_ptr<SimulateX*> self_;

    std::string supportFilePath_;
    std::string outputDbName_;
    std::string inputFileName_;
    std::string inputData_;
    std::string scenerioTable_;
    float progress_ = 0.0f;
    bool simulating_ = false;
    Zones* zones_ = nullptr;
    Weather* weatherReference_ = nullptr;
    std::any boilers_;
    std::any chillers_;
    std::any fuels_;
    float buildingAverageTemperature_ = 0.0f;
};

}  // namespace kz7
