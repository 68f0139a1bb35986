// The zone's time-step solution: per-run, per-day and per-step state, the
// node update, outputs and moisture, the third-node fit with its time-step
// reduction, and the partition search.
#include <algorithm>
#include <array>
#include <cmath>

#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"
#include "kz7/model/Heater.h"
#include "kz7/model/ProfileGroup.h"
#include "kz7/model/Zone.h"
#include "kz7/output/ResultStores.h"
#include "kz7/platform/CacheLines.h"
#include "kz7/platform/NumberText.h"
#include "kz7/weather/Weather.h"

namespace kz7 {

namespace {

constexpr float kNotSet = 999.0f;
constexpr double kDayFrequency = 6.283185308 / 86400.0;  // rad/s
constexpr std::array<int32_t, 5> kAllowedSteps = {1, 2, 6, 10, 30};  // minutes
constexpr int32_t kMaxFitPasses = 30;
constexpr float kFitSettled = 0.001f;
constexpr float kOccupiedAbove = 50.0f;  // percent of the occupancy profile
constexpr float kPartitionAreaMatch = 0.5f;  // m²
constexpr float kPartitionUMatch = 0.01f;    // W/m²K

bool IsGlazedCode(const std::string& code) { return code == "G" || code == "L"; }
bool IsAirflowCode(const std::string& code) { return code == "I" || code == "V" || code == "M" || code == "A"; }

// exp limited to the range the engine's arithmetic had.
float LimitedExp(float x) {
    if (x < -80.0f) return 0.0f;
    if (x >= 80.0f) return 5.54e34f;
    return std::exp(x);
}

}  // namespace

float Zone::StepSeconds() const { return static_cast<float>(state_.clock.timeStep) * 60.0f; }

// ---- Run, day and step ----

void Zone::InitSimulation() {
    for (auto& band : ComfortHoursTable) band.fill(0.0f);
    MAXTRM = -999.0f;
    MINTRM = 999.0f;
    SetKZ7Circuit();
    MinComfortTemperature = MinAirTemperature = MinRadiantTemperature = kNotSet;
    MaxComfortTemperature = MaxAirTemperature = MaxRadiantTemperature = 0.0;
    PeakHeatingLoad = 0.0;
    // A new run starts both peaks afresh, so a cooling peak of an earlier
    // run is never reported as this run's.
    PeakCoolingLoad = 0.0;
    const float initial = state_.clock.initialTemperature;
    step.Ta1 = step.Ta2 = step.Te1 = step.Te2 = step.Tr1 = step.Tr2 = step.Tm1 = step.Tm2 =
        step.Tm3rd = initial;
    AirTemperature = RadiantTemperature = ComfortTemperature = initial;
    step.GISP2 = step.CONC1 = state_.weather->Goa;
    step.MoistureDecay = 1.0f;
    for (const auto& element : elements) element->InitSimulation();
    elements.PrepareRun();
    if (Heater) Heater->InitSimulation();
    OCONOF = state_.settings.outputDetailCode == 2 ? 0 : 1;
    OCONOFN1 = 0;
    if (Heater) {
        PreheatLow = 0.0f;
        PreheatHigh = 9999999.0f;
    }
}

void Zone::InitDay() {
    LastPeakHeatingLoad = PeakHeatingLoad;
    LastAirTemperature = AirTemperature;
    PreheatState = 0;
    PreheatTrial = (PreheatHigh + PreheatLow) * 0.5f;
}

int32_t Zone::PreheatStateNow() const {
    const ProcessSettings& settings = state_.settings;
    const float hour = state_.clock.decimalHour;
    if (hour >= settings.endOcc) return 3;
    if (hour >= settings.startOcc) return 2;
    if (hour >= settings.startOcc - settings.preheat) return 1;
    return 0;
}

void Zone::InitTimeStep() {
    step.SIGKTA = step.SIGKTE = step.SIGKA = step.SIGKE = step.SIGKTP = step.SIGKP = 0.0f;
    step.QSOLO = step.RDGN = step.CNGN = step.H2OGN1 = 0.0f;
    step.PLNTHT1 = step.PLNTHT2 = 0.0f;
    step.DSolar = step.SolarGainKW = 0.0f;
    step.FanPowerKW = 0.0f;
    elements.ClearStepFlows();
    step.duty_.fill(0.0f);
    if (!state_.settings.intermittent || !Heater) return;
    // Bisection of the preheat over the design days: occupancy has just
    // begun, so the zone shows whether the trial preheat was enough.
    const int32_t now = PreheatStateNow();
    if (PreheatState == 1 && now == 2 && Heater->OperationPG != nullptr) {
        if (ControlTemperature() < Heater->OperationPG->GRPVAL())
            PreheatLow = PreheatTrial;
        else
            PreheatHigh = PreheatTrial;
    }
    PreheatState = now;
}

void Zone::SolveKZ7(bool fileValues) {
    // The first of the step to write the result values: cleared here rather
    // than when the step starts, the gains pass need not touch their line.
    fileStepValues_ = fileValues;
    if (fileValues) stepValues.Clear();
    SetKZ7Coefficients();
    SOLVT();
    SolveEmitters();
    SolveMoisture();
    // Whatever the input, a temperature that is not a number never leaves
    // the zone as a result: the run is stopped with the zone named.
    if (!std::isfinite(step.Ta2) || !std::isfinite(step.Te2) || !std::isfinite(step.Tm2)) {
        state_.ShowError("Zone " + Key + ": temperatures are not finite; the run is cancelled");
        state_.engine->Cancelled = true;
    }
}

void Zone::PrefetchCircuit() const {
    // The zone's first six lines: the circuit the step reads, the step
    // state and what the solution alone reads, up to the comfort extremes.
    PrefetchRange(this, &MINTRM + 1);
}

void Zone::PrefetchFiling() const {
    elements.PrefetchStepArrays();
    PrefetchRange(&stepValues, &stepValues + 1, PrefetchFor::Writing);
}

void Zone::SOLVT() {
    const float To = state_.weather->Toa;
    step.Ta2 = step.F7 * step.Ta1 + step.F6 * step.SIGKTP + step.F5 * step.Tm1 +
               step.F4 * step.QSOLO + step.F3 * To + step.F2 * step.SIGKTE + step.F1 * step.SIGKTA;
    step.Tm2 = step.M6 * step.SIGKTP + step.M5 * step.Tm1 + step.M4 * step.Ta2 + step.M3 * To +
               step.M2 * step.QSOLO + step.M1 * step.SIGKTE;
    step.Te2 = ((ALPHA1 + 1.0f) * step.SIGKTE + K2 * step.Tm2 + K5 * To + step.KAE * step.Ta2 +
                step.SIGKTP) /
               step.KEnv;
    step.Tr2 = (ALPHA1 + 1.0f) * (step.Te2 - (ALPHA1 + 1.0f) * step.DSolar / step.KEnv) -
               ALPHA1 * step.Ta2;
}

void Zone::SolveMoisture() {
    RadiantTemperature = step.Tr2;
    AirTemperature = step.Ta2;
    const float radiantWeight = state_.settings.resultStoreValue;
    ComfortTemperature = radiantWeight * step.Tr2 + (1.0f - radiantWeight) * step.Ta2;
    const float dt = StepSeconds();
    const float airMass = step.Densia * Volume;
    if (step.FLO >= 1e-05f) step.MoistureDecay = LimitedExp(-dt * step.FLO / airMass);
    // The room air as one well-mixed store of moisture: H2OGN1 (g/s) enters
    // with the air flows and the gains, FLO (kg/s) carries room air out.
    if (!(airMass > 0.0f)) return;
    if (step.FLO >= 1e-05f) {
        const float balanced = step.H2OGN1 / step.FLO;
        step.GISP2 = balanced + (step.CONC1 - balanced) * step.MoistureDecay;
    } else {
        step.GISP2 = step.CONC1 + dt * step.H2OGN1 / airMass;
    }
    step.GISP2 = std::max(step.GISP2, 0.0f);
}

void Zone::AIRPRP(float t, float G, float& ROAIR, float& CP) {
    const float g = G / 1000.0f;
    ROAIR = (1013.25f - g * 1013.25f / (g + 0.622f)) / ((t + 273.2f) * 2.87f);
    CP = g * 1864.0f + 1005.0f;
}

void Zone::EndStep() {
    if (state_.settings.outputDetailCode == 2) {
        // The zone's plant state follows its emitters; each switch is sent.
        OCONOFN1 = OCONOF;
        if (step.PLNTHT1 == 0.0f && step.PLNTHT2 == 0.0f) {
            if (OCONOF == 1) state_.results->SendPlantSwitch(*this, -1);
            OCONOF = 0;
        } else {
            if (OCONOF == 0) state_.results->SendPlantSwitch(*this, 1);
            OCONOF = 1;
        }
    }
    UpdateStepExtremes();
}

void Zone::UpdateStepExtremes() {
    const RunClock& clock = state_.clock;
    if (clock.heatLossRun || (clock.heatGainRun && clock.warmUp)) return;
    if (OCONOF > 0) UpdateExtremes();
}

void Zone::UpdateExtremes() {
    MaxAirTemperature = std::max<double>(MaxAirTemperature, AirTemperature);
    MaxRadiantTemperature = std::max<double>(MaxRadiantTemperature, RadiantTemperature);
    MaxComfortTemperature = std::max<double>(MaxComfortTemperature, ComfortTemperature);
    MinAirTemperature = std::min<double>(MinAirTemperature, AirTemperature);
    MinRadiantTemperature = std::min<double>(MinRadiantTemperature, RadiantTemperature);
    MinComfortTemperature = std::min<double>(MinComfortTemperature, ComfortTemperature);
}

void Zone::CheckHeatLossConverged(bool& converged) const {
    converged = !(std::fabs(LastAirTemperature - AirTemperature) > 0.01f ||
                  std::fabs(LastPeakHeatingLoad - PeakHeatingLoad) > 0.01);
}

bool Zone::ISOCC() const {
    if (ComfortPG != nullptr) return ComfortPG->GRPVAL() > kOccupiedAbove;
    return KlimaIsHeated || KlimaIsCooled;
}

// ---- Third node ----

Complex Zone::Z2CAL(Complex ZLIGHT, Complex ZPARTS, Complex ZIN, Complex Z3, Complex Z2, Complex Z5) const {
    Complex y = Inverse(ZIN) - Inverse(Z3 + Inverse(Inverse(Z2) + Inverse(Z5)));
    if (Modulus(ZLIGHT) > 1e-20) y = y - Inverse(ZLIGHT);
    if (Modulus(ZPARTS) > 1e-20) y = y - Inverse(ZPARTS);
    return Inverse(y);
}

// The series R-C branch that makes the circuit's admittance at the daily
// frequency that of the elements' full multi-node model.
void Zone::CAL3RD() {
    K23 = 1e-20f;
    CM2 = 1e-20f;
    const double w = kDayFrequency;
    const Complex parts = ZELS(true, 1, w);
    const Complex full = HMULTIRM(w);
    const Complex light{1.0 / K5, 0.0};
    const Complex z3{1.0 / K2, 0.0};
    const Complex z5{1.0 / K1, 0.0};
    const float factor = LTOT > 0.0f ? (K1 + K5 + K1 * K5 / K2) / LTOT : 0.0f;
    const float stepSeconds = StepSeconds();

    auto fit = [&](float capacity) {
        const Complex z = Z2CAL(light, parts, full, z3, Complex{0.0, -1.0 / (w * capacity)}, z5);
        double wy = w * z.y;
        if (std::fabs(wy) < 1e-20) wy = wy < 0.0 ? -1e-20 : 1e-20;
        CM2 = static_cast<float>(-1.0 / wy);
        K23 = static_cast<float>(1.0 / z.X);
    };

    float c = 0.0f, cPrevious = 0.0f, cm2Previous = 0.0f;
    for (int32_t n = 1;; ++n) {
        c = std::max((SUMC - CM2) * factor, 0.2f * CM);
        fit(c);
        const bool moving = std::fabs(CM2 - cm2Previous) > kFitSettled || std::fabs(c - cPrevious) > kFitSettled;
        if (moving && n <= kMaxFitPasses) {
            cm2Previous = CM2;
            cPrevious = c;
            state_.Yield();
            continue;
        }
        const bool stable = K23 >= 0.0f && c >= 0.0f && CM2 >= 0.0f && K23 < CM2 / stepSeconds;
        if (stable) {
            state_.Yield();
        } else {
            c = 0.2f * CM;
            fit(c);
        }
        break;
    }
    if (K23 < 0.0f || CM2 < 0.0f || c < 0.0f) {
        if (c > 0.0f) CM = c;
        CM2 = std::max(CM2, 1e-20f);
        K23 = std::max(K23, 1e-20f);
    } else {
        CM = c;
    }
    ++step.circuitRevision_;
    ReduceTimeStepForThirdNode();
}

// A third node held inert by the fit (CM2 at its floor) is never advanced,
// so it asks for no shorter step.
void Zone::ReduceTimeStepForThirdNode() {
    if (!(CM2 > 1e-20f)) return;
    RunClock& clock = state_.clock;
    int32_t position = 0;
    for (size_t i = 0; i < kAllowedSteps.size(); ++i)
        if (kAllowedSteps[i] == clock.timeStep) position = static_cast<int32_t>(i) + 1;
    const int32_t start = position;
    auto stepAt = [](int32_t i) { return static_cast<float>(kAllowedSteps[static_cast<size_t>(i - 1)]); };
    while (position > 2 && CM2 / (stepAt(position) * 60.0f) <= K23) position = std::max(position - 1, 1);
    if (position == start) return;
    const int32_t minutes = kAllowedSteps[static_cast<size_t>(position - 1)];
    clock.SetTimeStep(minutes);
    state_.ShowError("Zone " + Description + ", time step change to step = " +
                     NumberToText(static_cast<float>(minutes) / 60.0f));
}

// ---- Partition search ----

namespace {

// The other side of `element`'s partition: the same group (glazed or
// opaque), mass and U-value, and an area within half a square metre.
bool IsOtherSideOf(const Element& x, const Element& element) {
    return !IsAirflowCode(x.ElCode) &&
           std::fabs(x.ElementArea - element.ElementArea) <= kPartitionAreaMatch &&
           IsGlazedCode(x.ElCode) == IsGlazedCode(element.ElCode) && x.HVWT == element.HVWT &&
           std::fabs(x.ConstructionUValue() - element.ConstructionUValue()) < kPartitionUMatch;
}

}  // namespace

void Zone::SERCH1(const Element& element, int32_t& index) const {
    index = 0;
    int32_t position = 0;
    for (const auto& candidate : elements) {
        ++position;
        if (candidate->IOS == 3 && IsOtherSideOf(*candidate, element)) {
            index = position;
            return;
        }
    }
}

Element* Zone::FindShadedPartner(const Element& element, const Zone& from) const {
    for (const auto& candidate : elements) {
        const Element& x = *candidate;
        if (x.IOS == 6 && x.OtherElement == nullptr && x.RMID == from.Key &&
            IsOtherSideOf(x, element))
            return candidate.get();
    }
    return nullptr;
}

}  // namespace kz7
