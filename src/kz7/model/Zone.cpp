// Zone stage bodies. A zone without a thermal model yet does nothing in each
// stage; the zone circuit, gains and emitters fill these in.
#include "kz7/model/Zone.h"

#include <cmath>

namespace kz7 {

void Zone::InitSimulation() {}
void Zone::InitDay() {}
void Zone::InitTimeStep() {}
void Zone::SolveGains() {}
void Zone::Acum() {}
void Zone::SolveKZ7() {}
void Zone::EndStep() {}
void Zone::SendSummaryResultsEvents() {}

void Zone::CheckHeatLossConverged(bool& converged) const {
    converged = std::fabs(AirTemperature - LastAirTemperature) < 0.01f &&
                std::fabs(PeakHeatingLoad - LastPeakHeatingLoad) < 0.01;
}

bool Zone::ISOCC() const { return false; }

float Zone::COMHRS(int32_t band, int32_t month) const {
    if (band < 1 || band > 100 || month < 1 || month > 12) return 0.0f;
    return ComfortHoursTable[static_cast<size_t>(band - 1)][static_cast<size_t>(month - 1)];
}

void Zones::MatchPartitions() {}

}  // namespace kz7
