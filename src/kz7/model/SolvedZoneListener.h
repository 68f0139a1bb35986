#pragma once
// Told of each zone as soon as the zone set has solved its step, while the
// zone's step state is still in cache: a run files the zone's results there
// instead of in a pass of its own over all zones.
#include <cstdint>

namespace kz7 {

class Zone;

class SolvedZoneListener {
  public:
    // `position`: the zone's place in the zone set, from 1. Nothing else
    // changes what the zone's step filed once it is solved: other zones
    // and the plant only read it.
    virtual void ZoneSolved(int32_t position, Zone& zone) = 0;
    // Whether ZoneSolved reads the zone's step values (Zone::stepValues):
    // when it does not, the solution leaves them as they are.
    virtual bool ReadsStepValues() const { return true; }

  protected:
    ~SolvedZoneListener() = default;
};

}  // namespace kz7
