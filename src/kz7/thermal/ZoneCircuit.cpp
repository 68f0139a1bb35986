// The zone's KZ7 circuit: the passes that reduce all elements to a few
// conductances and capacities, the step coefficients, the frequency views
// of the zone, and the pairing of partitions between zones.
#include "kz7/thermal/ZoneCircuit.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"
#include "kz7/model/GlazedConstruction.h"
#include "kz7/model/OpaqueConstruction.h"
#include "kz7/model/Zone.h"

namespace kz7 {

namespace {

constexpr const char* kSettingUp = "Setting up KZ7 circuits";
constexpr const char* kZeroArea = "Zero area setting up KZ7 circuits";
constexpr float kAirCapacityPerVolume = 1297.74f;  // J/(m³K)
constexpr float kAirHeatCapacity = 1.006f * 1000.0f;  // J/(kg·K)
constexpr float kNone = 1e-20f;                // the circuit's "nothing there" conductance
constexpr float kTauConverged = 0.1f;          // s, change of the mean time constant
constexpr float kHeavyShare = 1e-05f;          // of the mean time constant
// The mean time constant settles in a few passes; a model whose heavy
// classification flips back and forth is stopped here instead of looping.
constexpr int32_t kMaxPasses = 100;
constexpr float kHugeConductance = 1e10f;      // mass node shorted to the outside surface

// Radiative coefficient times area of a room surface of emissivity e.
float RoomRadiative(float area, float emissivity) { return area * 5.7f * emissivity * 0.9f * 6.0f / 5.0f; }

bool IsExposed(const Element& element) {
    switch (element.IOS) {
        case 1:
        case 2:
            return true;
        case 5:
            return !(element.ElCode == "C" || element.ElCode == "P" || element.ElCode == "F");
        default:
            return false;
    }
}

float InsideConvective(const Element& element) {
    if (element.Opaque != nullptr) return element.Opaque->HCI;
    if (element.Glazing != nullptr) return element.Glazing->HCI;
    return 0.0f;
}

float InsideEmissivity(const Element& element) {
    if (element.Opaque != nullptr) return static_cast<float>(element.Opaque->EmissI);
    if (element.Glazing != nullptr) return element.Glazing->EmissI;
    return 0.0f;
}

}  // namespace

Complex ParallelZ(Complex Z1, Complex Z2) {
    constexpr double kShort = 1e-20, kOpen = 1e20;
    if (Modulus(Z1) <= kShort) return Z1;
    if (Modulus(Z1) >= kOpen) return Z2;
    if (Modulus(Z2) <= kShort) return Z2;
    if (Modulus(Z2) >= kOpen) return Z1;
    return Inverse(Inverse(Z1) + Inverse(Z2));
}

Complex ParallelK(Complex Z, double K) { return ParallelZ(Z, K <= 1e-20 ? Complex{1e20, 0.0} : Complex{1.0 / K, 0.0}); }

// ---- Circuit set-up ----

struct Zone::CircuitPass {
    float tauBarPrevious = -999.0f;
    float sumHc = 0.0f, sumHr = 0.0f;
    float S = 1e-20f, Q = 1e-20f;
    double sumTau = 0.0, sumAh = 0.0;
    float tauBar = 0.0f;
};

void Zone::SetKZ7Circuit() {
    state_.message.SendTextMessage(kSettingUp);
    CA = Volume * kAirCapacityPerVolume * LightM;
    CircuitPass pass;
    for (int32_t passes = 0; passes < kMaxPasses; ++passes) {
        K5 = kNone;
        K3 = kNone;
        K0 = 2.0f * kNone;
        SUMC = LTOT = K6 = K6Heavy = 0.0f;
        pass.sumHc = pass.sumHr = 0.0f;
        pass.S = pass.Q = kNone;
        pass.sumTau = pass.sumAh = 0.0;
        for (const auto& element : elements) {
            if (!AddElementToPass(*element, pass)) {
                // Which element, before the set-up's own word for it.
                state_.ShowError("Element " + element->ElCode + " (element " +
                                 std::to_string(element->Position + 1) + " of zone " + Key +
                                 ") has area 0");
                state_.ShowError(kZeroArea);
                state_.engine->Cancelled = true;
                return;
            }
        }
        FinishPass(pass);
        if (std::fabs(pass.tauBar - pass.tauBarPrevious) <= kTauConverged) break;
        pass.tauBarPrevious = pass.tauBar;
    }
    state_.Yield();
    if (SUMC <= 0.0f) CM = 0.1f;
    if (state_.clock.heatLossRun && !state_.settings.intermittent) {
        CM2 = 1e-05f;
        K23 = 0.0f;
    } else {
        CAL3RD();
    }
    ++step.circuitRevision_;
}

// One element's share of a pass; false for an element of zero area that
// should conduct.
bool Zone::AddElementToPass(const Element& element, CircuitPass& pass) {
    const float area = element.ElementArea;
    const bool exposed = IsExposed(element);
    const OpaqueConstruction* opaque = element.Opaque;

    float f = 0.0f;
    bool heavy = false;
    if (element.HVWT && opaque != nullptr) {
        f = exposed ? opaque->RES2(1) : 1.0f - opaque->RES2(1);
        const float tau = opaque->CW * opaque->RES2(2) * (1.0f - f) * f;
        heavy = tau > pass.tauBarPrevious * kHeavyShare;
        if (heavy) {
            pass.sumTau += static_cast<double>(tau) * area;
            pass.sumAh += area;
        }
    }

    const std::string& kind = element.RMOG;
    float q = 0.0f;
    float resistance = 0.0f;  // element resistance R_el, m²K/W
    if (kind == "A") {
        q = element.KgPerSec * kAirHeatCapacity;
    } else if (kind == "G") {
        resistance = 1.0f / element.ConstructionUValue() - element.SRIn;
    } else if (kind == "O") {
        if (!heavy && !element.HVWT)
            resistance = exposed ? element.SROut + element.RESEL : 0.0f;
        else if (opaque != nullptr)
            resistance = opaque->RES2(2) + element.SROut;
    }

    if (kind == "O" || kind == "G") {
        float hr = RoomRadiative(area, InsideEmissivity(element));
        float hc = InsideConvective(element) * area;
        if (element.IOS == 6 && element.AdjacentZone == this) {
            hr *= 2.0f;
            hc *= 2.0f;
        }
        pass.sumHr += hr;
        pass.sumHc += hc;
        if (!element.Exclude) {
            if (element.LacksCircuitArea()) return false;
            q = 1.0f / (1.0f / (hc + hr) + resistance / area);
            if (exposed) LTOT += q;
        }
    }

    if (element.Exclude) return true;
    if (!heavy && exposed) {
        if (kind == "A")
            K3 += q;
        else
            K5 += q;
    }
    if (heavy) {
        const float g = 1.0f - f;
        // All the mass at the inside face leaves nothing between it and the room.
        if (g > 1e-6f) pass.Q += q / g;
        if (!exposed && (element.IOS == 5 || element.IOS == 6))
            SUMC += opaque->CW * area;
        else if (!exposed && element.IOS == 3)
            SUMC += opaque->CW * f * area;
        else if (exposed) {
            SUMC += opaque->CW * f * area;
            pass.S += q;
            K0 += area / element.SROut;
        }
    }
    const float ua = element.ConstructionUValue() * area;
    K6 += ua;
    if (heavy) K6Heavy += ua;
    return true;
}

void Zone::FinishPass(CircuitPass& pass) {
    // A zone without surfaces has no radiant exchange to weigh.
    ALPHA1 = pass.sumHr > 0.0f ? pass.sumHc / pass.sumHr : 0.0f;
    K4 = (ALPHA1 + 1.0f) * pass.sumHc;
    const float yf = (K3 > kNone ? 1.0f / (1.0f / K4 + 1.0f / K3) : 0.0f) + K5;
    const float rf = 1.0f / yf;
    pass.S += yf;
    const float g = 1.0f / (yf + pass.Q);
    const float p = pass.S * g;
    const float r = p * yf / pass.S;
    double x = 1e20;
    if (SUMC > kNone) {
        const double rd = r, pd = p;
        x = rd * rf * ((rd + 1.0) - pd) / ((rd * pd + pd) - rd - rd * rd);
    }
    K1 = static_cast<float>(1.0 / x);
    const double yv = (rf + x) * r;
    K2 = static_cast<float>(1.0 / yv);
    if (state_.clock.heatLossRun && !state_.settings.intermittent)
        CM = 1e-07f;
    else
        CM = static_cast<float>(std::max((yv + x + rf) * (SUMC / pass.S) / (rf * x), 0.001));
    K7 = K2 + K5 + K4;
    pass.tauBar = pass.sumAh >= 0.001 ? static_cast<float>(pass.sumTau / pass.sumAh) : 0.0f;
}

// ---- Step coefficients ----

void Zone::SetKZ7Coefficients() {
    const float dt = StepSeconds();
    // Compared bit for bit, so a repeat gives exactly what working them out
    // again would.
    const ZoneStepState::CoefficientInputs inputs{
        step.circuitRevision_, std::bit_cast<uint32_t>(dt), std::bit_cast<uint32_t>(step.SIGKA),
        std::bit_cast<uint32_t>(step.SIGKP)};
    if (step.coefficientsSet_ && inputs == step.coefficientInputs_) return;
    step.coefficientInputs_ = inputs;
    step.coefficientsSet_ = true;
    step.KAE = K4;
    // The mass node's path to the outside surface node; when the fit puts
    // the mass at the outside surface the two are joined by a large conductance.
    const float massToSurface = 1.0f / K1 - 1.0f / K0;
    terms_.KMS =
        massToSurface > 0.0f ? std::min(1.0f / massToSurface, kHugeConductance) : kHugeConductance;
    step.KEnv = K7 + step.SIGKP;
    const float surfaceShare =
        terms_.KMS / (terms_.KMS + K0);  // of the outside surface node tied to the mass

    terms_.DA = (CA / dt + K3 + K4 + step.SIGKA) - K4 * K4 / step.KEnv;
    terms_.A1 = 1.0f / terms_.DA;
    terms_.A2 = ((ALPHA1 + 1.0f) * K4 / step.KEnv - ALPHA1) / terms_.DA;
    terms_.A3 = (K4 * K5 / step.KEnv + K3) / terms_.DA;
    terms_.A4 = K4 * K2 / (terms_.DA * step.KEnv);
    terms_.A5 = CA / (terms_.DA * dt);
    terms_.A6 = K4 / (terms_.DA * step.KEnv);

    // KMS − KMS²/(KMS + K0) written as KMS·K0/(KMS + K0): the same value
    // without the cancellation of two large terms.
    terms_.DM = (CM / dt + K2) - K2 * K2 / step.KEnv + terms_.KMS * K0 / (terms_.KMS + K0);
    step.M1 = (ALPHA1 + 1.0f) * K2 / (terms_.DM * step.KEnv);
    step.M2 = surfaceShare / terms_.DM;
    step.M3 = (K5 * K2 / step.KEnv + terms_.KMS * K0 / (terms_.KMS + K0)) / terms_.DM;
    step.M4 = K4 * K2 / (terms_.DM * step.KEnv);
    step.M5 = CM / (dt * terms_.DM);
    step.M6 = K2 / (terms_.DM * step.KEnv);

    terms_.DEN = 1.0f - step.M4 * terms_.A4;
    step.F1 = terms_.A1 / terms_.DEN;
    step.F2 = (step.M1 * terms_.A4 + terms_.A2) / terms_.DEN;
    step.F3 = (step.M3 * terms_.A4 + terms_.A3) / terms_.DEN;
    step.F4 = step.M2 * terms_.A4 / terms_.DEN;
    step.F5 = step.M5 * terms_.A4 / terms_.DEN;
    step.F6 = (step.M6 * terms_.A4 + terms_.A6) / terms_.DEN;
    step.F7 = terms_.A5 / terms_.DEN;
}

// ---- Frequency views ----

Complex Zone::ZELS(bool JUSTPART, int32_t MODEL, double w) const {
    Complex y{1e-20, 0.0};
    for (const auto& element : elements) {
        if (JUSTPART && !element->Exclude) continue;
        const double area = element->ElementArea;
        if (element->HVWT && element->Opaque != nullptr) {
            const Complex z = MODEL == 1 ? element->Opaque->HKZ7(w, 0.0, 0.0) : element->Opaque->HMULTI(w);
            y = y + Inverse(z / Complex{area, 0.0});
        } else if (!element->HVWT && element->RMOG != "A" && element->RMOG != "o") {
            y = y + Complex{area / (element->RESEL + element->SROut + element->SRIn), 0.0};
        }
    }
    if (Modulus(y) <= 0.0001) return {1e-20, 0.0};
    return Inverse(y);
}

Complex Zone::HKZ7RM(double w, double RX1, double CX1) const {
    const Complex parts = ZELS(true, 1, w);
    const bool withSeries = CX1 >= 0.0001;
    const Complex zx{RX1, withSeries ? -1.0 / (w * CX1) : 0.0};
    Complex z;
    if (K1 + K2 >= 1e-6f) {
        const Complex capacity{0.0, -1.0 / (w * CM)};
        z = Complex{1.0 / K2, 0.0} + Inverse(Inverse(capacity) + Inverse(Complex{1.0 / K1, 0.0}));
        if (withSeries) z = Inverse(Inverse(zx) + Inverse(z));
        z = ParallelK(z, K5);
    } else {
        z = K5 <= 0.0001f ? Complex{1e16, 0.0} : Complex{1.0 / K5, 0.0};
        if (withSeries) z = ParallelZ(z, zx);
    }
    // ZELS gives 1e-20 for "no partitions"; taken as an impedance it would
    // short the whole zone.
    if (Modulus(parts) <= 1e-20) return z;
    return ParallelZ(z, parts);
}

Complex Zone::HMULTIRM(double w) const { return ZELS(false, 2, w); }

// ---- Partition pairing ----

void Zones::MatchPartitions() {
    for (Zone& zone : items_) {
        for (const auto& element : zone.elements) {
            Element& e = *element;
            // Air moving between zones is not a partition: it only needs
            // the zone it comes from. (Kind "A" covers the code "A" too,
            // which would otherwise pair with another zone's air path.)
            if (e.IOS == 3 && e.RMOG == "A") {
                e.AdjacentZone = items_.Find(e.RMID);
            } else if (e.IOS == 3) {
                Zone* other = items_.Find(e.RMID);
                e.AdjacentZone = other;
                if (other == nullptr || other == &zone) continue;
                int32_t index = 0;
                other->SERCH1(e, index);
                if (index <= 0) continue;
                Element& partner = other->elements.Item(index);
                e.IOS = 6;
                e.Blocked = false;
                e.OtherElement = &partner;
                partner.IOS = 6;
                partner.Blocked = true;
                partner.OtherElement = &e;
                partner.AdjacentZone = &zone;
            } else if (e.IOS == 4 && e.HVWT) {
                // An adiabatic heavy element faces its own zone on both sides.
                e.IOS = 6;
                e.AdjacentZone = &zone;
            } else if (e.IOS == 6 && e.OtherElement == nullptr && !e.RMID.empty()) {
                // Glazing and walls read as facing another zone through a
                // shading plane name that zone directly. When both zones list
                // the element, the two halves pair as partitions do, so the
                // pair is coupled once; each half keeps its own sun.
                Zone* other = items_.Find(e.RMID);
                e.AdjacentZone = other;
                if (other == nullptr || other == &zone) continue;
                Element* partner = other->FindShadedPartner(e, zone);
                if (partner == nullptr) continue;
                e.Blocked = false;
                e.OtherElement = partner;
                partner->Blocked = true;
                partner->OtherElement = &e;
                partner->AdjacentZone = &zone;
            }
        }
    }
}

}  // namespace kz7
