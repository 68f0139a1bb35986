#pragma once
// The zone and plant result stores as the run loop drives them: controls,
// interval ends, interval weights and the per-step recording. Both stores
// share one output store of 15 handles and one building-and-plant record.
#include <cstdint>

#include "kz7/model/SolvedZoneListener.h"
#include "kz7/output/BuildingRecord.h"
#include "kz7/output/OutputSelection.h"
#include "kz7/output/OutputStore.h"
#include "kz7/output/PlantResultStore.h"
#include "kz7/output/ZoneResultStore.h"

namespace kz7 {

class EngineState;
class Zones;

class ResultStores {
  public:
    explicit ResultStores(EngineState& state);

    // The end of one zone's kept step: the zone files its step values
    // (Zone::FileStepValuesBesidesHumidity) and tallies its comfort bands,
    // and the values go into the open handles. Nothing is filed when no interval is open.
    // Handed to the zone set, it files each zone as it is solved.
    // `dayWeight`: what the step's day stands for in the bands.
    //
    // A zone's values go into the handles when the next zone has been
    // filed, and the last zone's when the filing ends (before the plant's
    // step): the handles read the values a row at a time, in wide loads,
    // just after the filing wrote them one by one, and such a load waits
    // for all of those writes to land. A zone later they have landed. The
    // values are final once filed, so the sums are the same bits.
    //
    // A zone's relative humidity is filed first thing at the next zone's
    // filing (or when the filing ends): its power of 2 and its divisions
    // wait on one another, and filed with the zone's other values, straight
    // after its solution, they waited on that solution's own last divisions
    // as well, which the processor could not hide. A zone later their inputs
    // are long there, and the next zone's filing goes on meanwhile.
    class ZoneStepFiling final : public SolvedZoneListener {
      public:
        ZoneStepFiling(ResultStores& stores, float dayWeight);
        // Puts the last zone's values into the handles.
        ~ZoneStepFiling();
        ZoneStepFiling(const ZoneStepFiling&) = delete;
        ZoneStepFiling& operator=(const ZoneStepFiling&) = delete;
        void ZoneSolved(int32_t position, Zone& zone) override;
        // Only while some handle is open.
        bool ReadsStepValues() const override { return filed_; }

      private:
        // The relative humidity of the zone filed last.
        void FileLastHumidity();
        void RecordFiled();

        ResultStores& stores_;
        float dayWeight_;
        bool filed_;
        // The zone filed last, whose values go into the handles next.
        Zone* lastFiled_ = nullptr;
        int32_t lastPosition_ = 0;
    };

    // Codes −999 initialise, 0 reset the interval selection, 2 open the
    // handles of the selected intervals, 5 close them.
    void ZoneControl(int32_t code) { zones_.Control(code); }
    void PlantControl(int32_t code) { plant_.Control(code); }
    // End of interval k (1 time step, 2 hour, 3 day, 4 month): sends its
    // records, or during warm-up (and after a cancel) only restarts its sums.
    void ZoneInterval(bool warmUp, int32_t k);
    void PlantInterval(bool warmUp, int32_t k);
    // The weight of every following step in interval k.
    void SetIntervalWeight(int32_t k, float w);
    float IntervalWeight(int32_t k) const {
        return k >= 1 && k <= kIntervalCount ? weights_[static_cast<size_t>(k)] : 0.0f;
    }
    // The step's zone values (each zone's `stepValues`) and plant values (the
    // building energy store) into the open handles (not on warm-up days).
    void RecordZoneStep() { zones_.RecordStep(weights_); }
    // The end of a kept step whose zones were not filed as they were solved
    // (ZoneStepFiling), in one pass over the zones.
    void FileZoneStep(kz7::Zones& zones, float dayWeight);  // Zones() names the store below
    void RecordPlantStep() { plant_.RecordStep(weights_); }
    // A zone's plant switching on (1) or off (−1), sent at once.
    void SendPlantSwitch(const Zone& zone, int32_t change) { zones_.SendPlantSwitch(zone, change); }

    void SetPlantItemCounts(int32_t boilers, int32_t chillers) {
        plant_.SetPlantItemCounts(boilers, chillers);
    }

    OutputStore& Store() { return store_; }
    const OutputStore& Store() const { return store_; }
    const ZoneResultStore& Zones() const { return zones_; }
    const PlantResultStore& Plant() const { return plant_; }

  private:
    bool Cancelled() const;

    EngineState& state_;
    OutputStore store_;
    BuildingRecord building_;
    ZoneResultStore zones_;
    PlantResultStore plant_;
    IntervalWeights weights_{0.0f, 1.0f, 1.0f, 1.0f, 1.0f};
};

}  // namespace kz7
