#include "kz7/control/SimulateX.h"

#include <exception>

#include "kz7/compliance/ConstructionData.h"
#include "kz7/compliance/PartL.h"
#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"
#include "kz7/export/ProcessRunner.h"
#include "kz7/model/OpaqueConstruction.h"
#include "kz7/model/OpaqueMaterial.h"
#include "kz7/model/RenewablesCosts.h"
#include "kz7/model/Zone.h"
#include "kz7/platform/TempFile.h"
#include "kz7/weather/Weather.h"

namespace kz7 {

namespace {

// Clears the busy mark however the engine call ends.
class BusyMark {
  public:
    explicit BusyMark(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyMark() { flag_ = false; }
    BusyMark(const BusyMark&) = delete;
    BusyMark& operator=(const BusyMark&) = delete;

  private:
    bool& flag_;
};

constexpr int32_t kSummaryInterval = 6;

}  // namespace

SimulateX::SimulateX() : SimulateX(EngineState::Process()) {}

SimulateX::SimulateX(EngineState& state)
    : state_(state), self_(std::make_shared<SimulateX*>(this)) {
    state_.settings.monthLengths = {0, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
}

SimulateX::~SimulateX() { state_.shadingData.Leave(&GetShadingData); }

void SimulateX::InitProperties() {
    outputDbName_.clear();
    inputFileName_.clear();
    supportFilePath_.clear();
    state_.settings.supportFilePath.clear();
    progress_ = 0.0f;
}

// ------------------------------------------------------------------ events

namespace {
// What an event source's handler holds of a control: a weak reference, so
// that it falls silent once the control is destroyed, and the control. The
// events are raised on the thread that owns the control, so one that is
// there when a handler starts stays while it runs: the check is a load,
// where taking a reference would be two atomic updates at every record.
class ControlRef {
  public:
    explicit ControlRef(const std::shared_ptr<SimulateX*>& self) : alive_(self), control_(*self) {}
    SimulateX* Get() const { return alive_.expired() ? nullptr : control_; }

  private:
    std::weak_ptr<SimulateX*> alive_;
    SimulateX* control_;
};
}  // namespace

void SimulateX::ConnectListeners(bool withShading) {
    const ControlRef control(self_);
    state_.message.onText = [control](std::string& text) {
        if (SimulateX* self = control.Get())
            if (self->MessageChange) self->MessageChange(text);
    };
    state_.message.onProgress = [control](float& progress) {
        if (SimulateX* self = control.Get()) self->OnProgress(progress);
    };
    state_.outputData.onSave = [control](int16_t& interval, int32_t& zone, ValueArray& values,
                                         double& date) {
        if (SimulateX* self = control.Get()) self->OnSaveData(interval, zone, values, date);
    };
    state_.outputData.textWanted = [control] {
        const SimulateX* self = control.Get();
        return self && (self->SaveSSData || self->SaveHLData || self->SaveHGData);
    };
    state_.outputData.onRecord = [control](const ResultRecord& record) {
        if (SimulateX* self = control.Get())
            if (self->SaveResultRecord && self->PassesRecord(record.interval))
                self->SaveResultRecord(record);
    };
    state_.outputData.onErase = [control](int16_t& interval, int32_t& zone) {
        if (SimulateX* self = control.Get())
            if (self->EraseData) self->EraseData(interval, zone);
    };
    // The shading events are raised for every glazed element each step: the
    // event source calls this control's own handlers in place, and the
    // destructor silences it.
    if (withShading) state_.shadingData.Listen(&GetShadingData, &SetCurrentSolarPosition);
}

void SimulateX::OnProgress(float progress) {
    progress_ = progress;
    RaiseProgressEvent();
}

void SimulateX::RaiseProgressEvent() {
    if (ProgressChange) ProgressChange();
}

bool SimulateX::ShellAndWait(int32_t& Owner, std::string& sShell, std::string& sDefaultDir,
                             bool& bPause, std::string& sStdOut, int32_t eWindowStyle,
                             const std::string& sError, int32_t lTimeOut) {
    return ProcessRunner(state_).ShellAndWait(Owner, sShell, sDefaultDir, bPause, sStdOut,
                                              eWindowStyle, sError, lTimeOut);
}

// Heat-gain runs pass on only the summaries and the last design day.
bool SimulateX::PassesRecord(int16_t interval) const {
    const RunClock& clock = state_.clock;
    return !clock.heatGainRun || interval == kSummaryInterval ||
           clock.day == clock.heatGainDesignDays;
}

void SimulateX::OnSaveData(int16_t& interval, int32_t& zone, ValueArray& values, double& date) {
    const RunClock& clock = state_.clock;
    if (!PassesRecord(interval)) return;
    if (clock.heatGainRun) {
        if (SaveHGData) SaveHGData(interval, zone, values, date);
    } else if (clock.heatLossRun) {
        if (SaveHLData) SaveHLData(interval, zone, values, date);
    } else {
        if (SaveSSData) SaveSSData(interval, zone, values, date);
    }
}

// ------------------------------------------------------------------ runs

void SimulateX::RunForwarded(const std::function<void()>& engineCall) {
    // The busy mark is cleared even when the engine call fails, so a host
    // never sees a run under way that has ended.
    BusyMark busy(simulating_);
    state_.engine->OutputDbName = outputDbName_;
    engineCall();
}

void SimulateX::Simulate() {
    RunForwarded([this] { state_.engine->Simulate(); });
    weatherReference_ = state_.weather.get();
}

bool SimulateX::SBEM(int32_t RegsType, int32_t EPCType, int32_t BERSTAGE, int32_t BRSTAGE, int32_t BRS6BTYPE,
                     bool BRS6ACCREDCONST, bool BRS6NVCREDIT, const std::string& EPClanguage,
                     const std::string& SBEMProduceEPCXML, const std::string& SBEMScotlandRatingImprov,
                     bool AllowMergeZones, bool GenDataReflection, bool SBEM32bFeatures,
                     const std::string& EAActivationCode, const std::string& ProxyServerURL,
                     const std::string& ProxyServerPort, const std::string& ProxyServerUsername,
                     const std::string& ProxyServerPassword) {
    const SbemRunParameters parameters{RegsType,          EPCType,          BERSTAGE,
                                       BRSTAGE,           BRS6BTYPE,        BRS6ACCREDCONST,
                                       BRS6NVCREDIT,      EPClanguage,      SBEMProduceEPCXML,
                                       SBEMScotlandRatingImprov, AllowMergeZones, GenDataReflection,
                                       SBEM32bFeatures,   EAActivationCode, ProxyServerURL,
                                       ProxyServerPort,   ProxyServerUsername, ProxyServerPassword};
    bool loaded = false;
    RunForwarded([&] { loaded = state_.engine->SBEM(parameters); });
    weatherReference_ = state_.weather.get();
    return loaded;
}

void SimulateX::Klima() {
    RunForwarded([this] { state_.engine->Klima(); });
    weatherReference_ = state_.weather.get();
}

void SimulateX::HeatLoss() {
    RunForwarded([this] { state_.engine->HeatLoss(); });
}

void SimulateX::HeatGain() {
    RunForwarded([this] { state_.engine->HeatGain(); });
}

bool SimulateX::Cancelled() const {
    return state_.engine->Cancelled;
}
void SimulateX::SetCancelled(bool value) {
    state_.engine->Cancelled = value;
}

// ------------------------------------------------------------------ reading

bool SimulateX::ReadInputData() {
    return ReadSteps(ReadKind::Model, XmlElement(), XmlElement());
}

bool SimulateX::ReadInputDataX(XmlElement tiDoc, XmlElement tiConstructions) {
    return ReadSteps(ReadKind::ModelWithDocument, tiDoc, tiConstructions);
}

bool SimulateX::ReadXMLConstructionData(XmlElement tiDoc, XmlElement tiConstructions) {
    return ReadSteps(ReadKind::Constructions, tiDoc, tiConstructions);
}

bool SimulateX::PrepareInputFile(bool& temporary) {
    temporary = false;
    if (!inputData_.empty()) {
        const std::filesystem::path folder = TemporaryFolder(state_.settings.temporaryFolder);
        inputFileName_ = WriteTemporaryFile(folder, inputData_ + "\n").string();
        temporary = true;
        return true;
    }
    return !inputFileName_.empty();
}

bool SimulateX::ReadSteps(ReadKind kind, XmlElement tiDoc, XmlElement tiConstructions) {
    bool temporary = false;
    bool read = false;
    try {
        ConnectListeners(true);
        SimKZ7& engine = *state_.engine;
        engine.ClearData();
        if (PrepareInputFile(temporary)) {
            switch (kind) {
                case ReadKind::Model:
                    engine.Read(inputFileName_);
                    zones_ = state_.zones.get();
                    break;
                case ReadKind::ModelWithDocument:
                    engine.ReadX(inputFileName_, tiDoc, tiConstructions);
                    zones_ = state_.zones.get();
                    break;
                case ReadKind::Constructions:
                    engine.ReadXMLConstruction(inputFileName_, tiDoc, tiConstructions);
                    break;
            }
            read = true;
        }
    } catch (const std::exception& error) {
        // The host sees false and ErrorMessage; the engine's message names the problem.
        state_.message.SendTextMessage(error.what());
        read = false;
    }
    if (temporary) {
        // The copy of InputData was made for this read alone. Left behind, a
        // host that reads from memory again and again would fill the
        // temporary folder with copies of its models, and every read would
        // look past all of them for a free name.
        std::error_code ignored;
        std::filesystem::remove(inputFileName_, ignored);
        inputFileName_.clear();
    }
    return read;
}

// ------------------------------------------------------------------ forwarded operations

void SimulateX::CleanUp() {
    state_.engine->EndSimResults();
}

void SimulateX::GetAnnualSBEM() {
    state_.engine->GetAnnualSBEM();
}

void SimulateX::GenerateWeatherData(const std::string& /*fn*/) {
    ConnectListeners(false);
    state_.engine->GenerateSSWeatherData();
}

void SimulateX::GenerateHGWeatherData() {
    ConnectListeners(false);
    state_.engine->GenerateHGWeatherData();
}

void SimulateX::GenerateHLWeatherData() {
    ConnectListeners(false);
    state_.engine->GenerateHLWeatherData();
}

void SimulateX::MatchPartitions() {
    state_.zones->MatchPartitions();
}

float SimulateX::TemperatureBands(const std::string& sZone, int32_t Band, int32_t Month) const {
    return state_.zones->Item(sZone).COMHRS(Band, Month);
}

std::optional<float> SimulateX::BuildingAverageTemperature() const {
    double weighted = 0.0;
    double area = 0.0;
    for (const Zone& zone : *state_.zones) {
        weighted += static_cast<double>(zone.ComfortTemperature) * zone.FloorArea;
        area += zone.FloorArea;
    }
    if (!(area > 0.0)) return std::nullopt;
    return static_cast<float>(weighted / area);
}

// ------------------------------------------------------------------ Part L and constructions

void SimulateX::GetMaxUValues(double& PitchedRoofUWithInsulationBetweenRafters,
                              double& PitchedRoofUWithInsulationBetweenJoists, double& FlatRoofU,
                              double& WallsU, double& FloorsU, double& WindowsMetalFramesU,
                              double& WindowsWoodFramesU, double& RooflightsU,
                              double& LargeDoorsU) {
    MaxUValues values;
    state_.zones->GetMaxUValues(values);
    PitchedRoofUWithInsulationBetweenRafters = values.PitchedRoofUWithInsulationBetweenRafters;
    PitchedRoofUWithInsulationBetweenJoists = values.PitchedRoofUWithInsulationBetweenJoists;
    FlatRoofU = values.FlatRoofU;
    WallsU = values.WallsU;
    FloorsU = values.FloorsU;
    WindowsMetalFramesU = values.WindowsMetalFramesU;
    WindowsWoodFramesU = values.WindowsWoodFramesU;
    RooflightsU = values.RooflightsU;
    LargeDoorsU = values.LargeDoorsU;
}

void SimulateX::GetWindowAreas(double& WindowArea, double& RooflightArea, double& WallArea,
                               double& RoofArea, double& ShopWindowDisplayArea) {
    WindowAreas areas;
    state_.zones->GetWindowAreas(areas);
    WindowArea = areas.WindowArea;
    RooflightArea = areas.RooflightArea;
    WallArea = areas.WallArea;
    RoofArea = areas.RoofArea;
    ShopWindowDisplayArea = areas.ShopWindowDisplayArea;
}

double SimulateX::GetAverageUValue() {
    return state_.zones->GetAverageUValue();
}
bool SimulateX::PassPartL122() {
    return state_.zones->PassPartL122();
}
bool SimulateX::PassPartLAppendixH() {
    return state_.zones->PassPartLAppendixH();
}

void SimulateX::GetConstructionData(const std::string& InputData, int32_t ID, float& UValue,
                                    float& HCO, float& RadO, float& SRO, float& HCI, float& RadI,
                                    float& SRI) {
    SetInputData(InputData);
    ReadInputData();
    ConstructionData data;
    if (const OpaqueConstruction* construction = ConstructionAt(state_, ID))
        data = SingleConstructionData(*construction);
    UValue = data.UValue;
    HCO = data.HCO;
    RadO = data.RadO;
    SRO = data.SRO;
    HCI = data.HCI;
    RadI = data.RadI;
    SRI = data.SRI;
}

void SimulateX::GetConstructionDataDouble(const std::string& InputData, int32_t ID, double& RValue,
                                          double& UValue, double& UValueSurfaceToSurface,
                                          double& HCO, double& RadO, double& SRO, double& HCI,
                                          double& RadI, double& SRI, double& Thickness,
                                          double& CM) {
    SetInputData(InputData);
    ReadInputData();
    const OpaqueConstruction* construction = ConstructionAt(state_, ID);
    if (construction == nullptr) return;
    const ConstructionDataDouble data = DoubleConstructionData(*construction);
    RValue = data.RValue;
    UValue = data.UValue;
    UValueSurfaceToSurface = data.UValueSurfaceToSurface;
    HCO = data.HCO;
    RadO = data.RadO;
    SRO = data.SRO;
    HCI = data.HCI;
    RadI = data.RadI;
    SRI = data.SRI;
    Thickness = data.Thickness;
    CM = data.CM;
}

// ------------------------------------------------------------------ report and totals

void SimulateX::StandardReport() {
    state_.engine->GenerateReport();
}

double SimulateX::TotalBuildingCost() const {
    return state_.zones->TotalBuildingCost();
}
double SimulateX::TotalStructureCost() const {
    return state_.zones->TotalStructureCost();
}
double SimulateX::TotalHVACCost() const {
    return state_.zones->TotalHVACCost();
}
double SimulateX::TotalLightingCost() const {
    return state_.zones->TotalLightingCost();
}
double SimulateX::TotalSubStructureCost() const {
    return state_.zones->TotalSubStructureCost();
}
double SimulateX::SuperStructureCost() const {
    return state_.zones->SuperStructureCost();
}
double SimulateX::GlazingCost() const {
    return state_.zones->GlazingCost();
}
double SimulateX::TotalSurfaceFinishCost() const {
    return state_.zones->TotalSurfaceFinishCost();
}
double SimulateX::TotalBuildingCarbon() const {
    return state_.zones->TotalBuildingCarbon();
}
double SimulateX::TotalBuildingEquivalentCarbon() const {
    return state_.zones->TotalBuildingEquivalentCarbon();
}
double SimulateX::TotalRenewablesCost() const {
    return state_.renewablesCosts->TotalCost();
}

Weather& SimulateX::WeatherData() const {
    return *state_.weather;
}
OpaqueMaterials& SimulateX::Materials() const {
    return *state_.opaqueMaterials;
}

// ------------------------------------------------------------------ flag setters

void SimulateX::SetIsV4Flag(bool flag) {
    state_.engine->SetIsV4Flag(flag);
}
void SimulateX::SetIsV5Flag(bool flag) {
    state_.engine->SetIsV5Flag(flag);
}
void SimulateX::SetIsV5_F_Flag(bool flag) {
    state_.engine->SetIsV5_F_Flag(flag);
}
void SimulateX::SetUse300Flag(bool flag) {
    state_.settings.use300 = flag;
}
void SimulateX::SetDiagnosticsFilename(const std::string& fn) {
    state_.settings.diagnosticsFilename = fn;
}

// ------------------------------------------------------------------ held properties

void SimulateX::Notify(const char* name) {
    if (PropertyChanged) PropertyChanged(name);
}

void SimulateX::SetHeldText(std::string& field, const std::string& value, const char* name) {
    field = value;
    Notify(name);
}

void SimulateX::SetSupportFilePath(const std::string& value) {
    supportFilePath_ = value;
    state_.settings.supportFilePath = value;
    Notify("SupportFilePath");
}

void SimulateX::SetProgress(float value) {
    progress_ = value;
    Notify("Progress");
}

void SimulateX::RefuseAssignment(const char* name) const {
    if (DesignMode)
        throw AutomationError(kErrorSetNotPermitted, std::string("Set not permitted: ") + name);
    throw AutomationError(kErrorSetNotSupportedAtRuntime,
                          std::string("Set not supported at run time: ") + name);
}

void SimulateX::SetBZones(Zones* /*value*/) {
    RefuseAssignment("BZones");
}
void SimulateX::SetBoilers(const std::any& /*value*/) {
    RefuseAssignment("Boilers");
}
void SimulateX::SetChillers(const std::any& /*value*/) {
    RefuseAssignment("Chillers");
}
void SimulateX::SetFuels(const std::any& /*value*/) {
    RefuseAssignment("Fuels");
}

// ------------------------------------------------------------------ process-wide settings

bool SimulateX::HourlyResults() const {
    return state_.settings.hourlyResults;
}
void SimulateX::SetHourlyResults(bool value) {
    state_.settings.hourlyResults = value;
}
bool SimulateX::HalfHourlyResults() const {
    return state_.settings.halfHourlyResults;
}
void SimulateX::SetHalfHourlyResults(bool value) {
    state_.settings.halfHourlyResults = value;
}
bool SimulateX::TimeSteplyResults() const {
    return state_.settings.timeSteplyResults;
}
void SimulateX::SetTimeSteplyResults(bool value) {
    state_.settings.timeSteplyResults = value;
}
bool SimulateX::DailyResults() const {
    return state_.settings.dailyResults;
}
void SimulateX::SetDailyResults(bool value) {
    state_.settings.dailyResults = value;
}
bool SimulateX::GenerateWeatherDataEvents() const {
    return state_.settings.generateWeatherDataEvents;
}
void SimulateX::SetGenerateWeatherDataEvents(bool value) {
    state_.settings.generateWeatherDataEvents = value;
}
int32_t SimulateX::Scenario() const {
    return state_.settings.scenario;
}
void SimulateX::SetScenario(int32_t value) {
    state_.settings.scenario = value;
}
bool SimulateX::NoGain() const {
    return state_.settings.noGain;
}
void SimulateX::SetNoGain(bool value) {
    state_.settings.noGain = value;
}
bool SimulateX::DoShading() const {
    return state_.settings.doShading;
}
void SimulateX::SetDoShading(bool value) {
    state_.settings.doShading = value;
}
bool SimulateX::Intermittent() const {
    return state_.settings.intermittent;
}
void SimulateX::SetIntermittent(bool value) {
    state_.settings.intermittent = value;
}
float SimulateX::Preheat() const {
    return state_.settings.preheat;
}
void SimulateX::SetPreheat(float value) {
    state_.settings.preheat = value;
}
float SimulateX::StartOcc() const {
    return state_.settings.startOcc;
}
void SimulateX::SetStartOcc(float value) {
    state_.settings.startOcc = value;
}
float SimulateX::EndOcc() const {
    return state_.settings.endOcc;
}
void SimulateX::SetEndOcc(float value) {
    state_.settings.endOcc = value;
}
int32_t SimulateX::YearJan1() const {
    return state_.clock.yearJan1;
}
int32_t SimulateX::YearSimStart() const {
    return state_.clock.yearSimStart;
}
int32_t SimulateX::SiteRecordSimStart() const {
    return state_.clock.siteRecordSimStart;
}
bool SimulateX::DevRights() const {
    return state_.settings.devRights;
}
void SimulateX::SetDevRights(bool value) {
    state_.settings.devRights = value;
}
bool SimulateX::UseOTE() const {
    return state_.settings.useOTE;
}
void SimulateX::SetUseOTE(bool value) {
    state_.settings.useOTE = value;
}
bool SimulateX::UseUAT() const {
    return state_.settings.useUAT;
}
void SimulateX::SetUseUAT(bool value) {
    state_.settings.useUAT = value;
}
const std::string& SimulateX::SBEMPath() const {
    return state_.settings.sbemPath;
}
void SimulateX::SetSBEMPath(const std::string& value) {
    state_.settings.sbemPath = value;
}
void SimulateX::SetKlimaPath(const std::string& value) {
    state_.settings.klimaPath = value;
}
void SimulateX::SetKlimaProgram(const std::string& value) {
    state_.settings.klimaProgram = value;
}
bool SimulateX::GenerateReport() const {
    return state_.settings.generateReport;
}
void SimulateX::SetGenerateReport(bool value) {
    state_.settings.generateReport = value;
}
bool SimulateX::IncludeCostOutputs() const {
    return state_.settings.includeCostOutputs;
}
void SimulateX::SetIncludeCostOutputs(bool value) {
    state_.settings.includeCostOutputs = value;
}
bool SimulateX::IncludeTableSizeHeaderReports() const {
    return state_.settings.includeTableSizeHeaderReports;
}
void SimulateX::SetIncludeTableSizeHeaderReports(bool value) {
    state_.settings.includeTableSizeHeaderReports = value;
}
int32_t SimulateX::ReportType() const {
    return state_.settings.reportType;
}
void SimulateX::SetReportType(int32_t value) {
    state_.settings.reportType = value;
}
const std::string& SimulateX::CSVReportFilename() const {
    return state_.settings.csvReportFilename;
}
double SimulateX::GBPConversionRate() const {
    return state_.settings.gbpConversionRate;
}
void SimulateX::SetGBPConversionRate(double value) {
    state_.settings.gbpConversionRate = value;
}
const std::string& SimulateX::CurrencyCode() const {
    return state_.settings.currencyCode;
}
void SimulateX::SetCurrencyCode(const std::string& value) {
    state_.settings.currencyCode = value;
}

}  // namespace kz7
