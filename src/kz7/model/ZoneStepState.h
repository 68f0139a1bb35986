#pragma once
// What a zone's time step reads and writes in every pass over the zones: the
// node temperatures, the step's source sums and flows, the air and moisture,
// and the step coefficients with what they were worked out from. A zone
// holds it on four cache lines of its own near its start (Zone::step),
// instead of spread among the kilobytes of fields that reading, reports and
// tables use: a step then touches fewer of the zone's lines.
#include <array>
#include <cstdint>

namespace kz7 {

class ZoneStepState {
  public:
    // Node temperatures at the start (1) and end (2) of the step, °C.
    float Ta1 = 0.0f, Ta2 = 0.0f, Te1 = 0.0f, Te2 = 0.0f, Tr1 = 0.0f, Tr2 = 0.0f;
    float Tm1 = 0.0f, Tm2 = 0.0f, Tm3rd = 0.0f;
    // Source sums of the step (W, W/K).
    float SIGKTA = 0.0f, SIGKTE = 0.0f, SIGKA = 0.0f, SIGKE = 0.0f, SIGKTP = 0.0f, SIGKP = 0.0f;
    float QSOLO = 0.0f;
    float DSolar = 0.0f;
    float CNGN = 0.0f;    // convective gains, W
    float RDGN = 0.0f;    // radiant gains, W
    float H2OGN1 = 0.0f;  // moisture gains, g/s
    // Air and moisture.
    float FLO = 0.0f;     // air mass flow entering this step, kg/s
    float Densia = 1.2f;  // kg/m³
    float GISP2 = 0.0f;   // moisture content, g/kg
    float CONC1 = 0.0f;   // moisture content at the start of the step, g/kg
    // Flows of the step handed to the result recording, kW (the elements'
    // own flows are kept by Elements::StepFlow).
    float PLNTHT1 = 0.0f, PLNTHT2 = 0.0f;
    float SolarGainKW = 0.0f;
    float FanPowerKW = 0.0f;  // fan electricity booked by mechanical supply

  private:
    // The zone works these out and alone reads them (thermal/ZoneCircuit.cpp,
    // thermal/ZoneSolution.cpp, thermal/ZoneAccumulation.cpp).
    friend class Zone;

    float MoistureDecay = 1.0f;
    std::array<float, 2> duty_{};  // heating and cooling duties of the step
    // The step coefficients the solution reads every step.
    float KEnv = 0.0f, KAE = 0.0f;
    float M1 = 0.0f, M2 = 0.0f, M3 = 0.0f, M4 = 0.0f, M5 = 0.0f, M6 = 0.0f;
    float F1 = 0.0f, F2 = 0.0f, F3 = 0.0f, F4 = 0.0f, F5 = 0.0f, F6 = 0.0f, F7 = 0.0f;
    // What the step coefficients above were last worked out from: the
    // circuit (SetKZ7Circuit and CAL3RD, which alone set it, move its
    // revision on), the step length and the step's SIGKA and SIGKP, the
    // last three bit for bit. Most steps repeat them exactly; comparing the
    // circuit's dozen values at every step cost more than the rest of the
    // check.
    struct CoefficientInputs {
        uint32_t circuit = 0, dt = 0, SIGKA = 0, SIGKP = 0;
        bool operator==(const CoefficientInputs&) const = default;
    };
    CoefficientInputs coefficientInputs_{};
    uint32_t circuitRevision_ = 0;
    bool coefficientsSet_ = false;
    // What the coefficients are worked out through is kept by the zone
    // (Zone::StepCoefficientTerms), away from the lines every step reads.
};

}  // namespace kz7
