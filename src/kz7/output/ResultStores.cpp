#include "kz7/output/ResultStores.h"

#include <cmath>

#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"
#include "kz7/model/Zone.h"

namespace kz7 {

ResultStores::ResultStores(EngineState& state)
    : state_(state),
      store_(state),
      zones_(state, store_, building_),
      plant_(state, store_, building_) {}

bool ResultStores::Cancelled() const {
    return state_.engine && state_.engine->Cancelled;
}

// A cancelled run may end in the middle of an interval: its part is dropped
// rather than sent as if it were the whole interval.
void ResultStores::ZoneInterval(bool warmUp, int32_t k) {
    zones_.Interval(warmUp || Cancelled(), k);
}

void ResultStores::PlantInterval(bool warmUp, int32_t k) {
    plant_.Interval(warmUp || Cancelled(), k);
}

// One pass over the zones, each zone's values taken while they are in cache.
void ResultStores::FileZoneStep(kz7::Zones& zones, float dayWeight) {
    const bool filed = zones_.HasOpenHandle();
    int32_t record = 0;
    for (Zone& zone : zones) {
        ++record;
        if (filed) {
            zone.FileStepValues();
            zones_.RecordZone(record, zone, weights_);
        }
        zone.TallyComfort(dayWeight);
    }
}

// A weight that is not a finite, non-negative number (a broken day-weight
// table) would corrupt the interval's counts; such steps count for nothing.
void ResultStores::SetIntervalWeight(int32_t k, float w) {
    if (k < 1 || k > kIntervalCount) return;
    weights_[static_cast<size_t>(k)] = std::isfinite(w) && w >= 0.0f ? w : 0.0f;
}

}  // namespace kz7
