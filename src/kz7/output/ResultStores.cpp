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

ResultStores::ZoneStepFiling::ZoneStepFiling(ResultStores& stores, float dayWeight)
    : stores_(stores), dayWeight_(dayWeight), filed_(stores.zones_.HasOpenHandle()) {}

ResultStores::ZoneStepFiling::~ZoneStepFiling() {
    FileLastHumidity();
    RecordFiled();
}

void ResultStores::ZoneStepFiling::FileLastHumidity() {
    if (lastFiled_ != nullptr) lastFiled_->FileRelativeHumidity();
}

void ResultStores::ZoneStepFiling::RecordFiled() {
    if (lastFiled_ != nullptr)
        stores_.zones_.RecordZone(lastPosition_, *lastFiled_, stores_.weights_);
    lastFiled_ = nullptr;
}

void ResultStores::ZoneStepFiling::ZoneSolved(int32_t position, Zone& zone) {
    if (filed_) {
        FileLastHumidity();
        zone.FileStepValuesBesidesHumidity();
        RecordFiled();
        lastFiled_ = &zone;
        lastPosition_ = position;
    }
    zone.TallyComfort(dayWeight_);
}

void ResultStores::FileZoneStep(kz7::Zones& zones, float dayWeight) {
    ZoneStepFiling filing(*this, dayWeight);
    int32_t position = 0;
    for (Zone& zone : zones) filing.ZoneSolved(++position, zone);
}

// A weight that is not a finite, non-negative number (a broken day-weight
// table) would corrupt the interval's counts; such steps count for nothing.
void ResultStores::SetIntervalWeight(int32_t k, float w) {
    if (k < 1 || k > kIntervalCount) return;
    weights_[static_cast<size_t>(k)] = std::isfinite(w) && w >= 0.0f ? w : 0.0f;
}

}  // namespace kz7
