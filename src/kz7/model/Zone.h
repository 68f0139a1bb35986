#pragma once
// A zone of the building and the zone set that drives every zone through the
// stages of a run.
#include <cstdint>
#include <string>

#include "kz7/input/KeyedCollection.h"
#include "kz7/output/ZoneStepValues.h"

namespace kz7 {

class EngineState;

class Zone {
public:
    explicit Zone(EngineState& state) : state_(state) {}

    // Stages of a run, called by the zone set in collection order.
    void InitSimulation();
    void InitDay();
    void InitTimeStep();
    void SolveGains();
    void Acum();
    void SolveKZ7();
    void EndStep();
    void SendSummaryResultsEvents();
    // True when the air temperature and the peak heating load have settled.
    void CheckHeatLossConverged(bool& converged) const;
    // Whether the zone is occupied at the run clock's time.
    bool ISOCC() const;

    std::string Key;
    float FloorArea = 0.0f;
    float Volume = 0.0f;
    int16_t OCONOF = 0;    // occupancy of the current step: 1 on, 0 off
    int16_t OCONOFN1 = 0;  // occupancy of the previous step

    float AirTemperature = 0.0f;
    float LastAirTemperature = 0.0f;
    float ComfortTemperature = 0.0f;
    double PeakHeatingLoad = 0.0;
    double LastPeakHeatingLoad = 0.0;

    // The step's result values, read by the zone result store.
    ZoneStepValues stepValues;

protected:
    EngineState& state_;
};

class Zones {
public:
    explicit Zones(EngineState& state) : state_(state) {}

    // Collection.
    int32_t Count() const { return items_.Count(); }
    Zone* Find(int32_t position) const { return items_.Find(position); }
    Zone* Find(std::string_view key) const { return items_.Find(key); }
    Zone& Item(int32_t position) const { return items_.Item(position); }
    Zone& Item(std::string_view key) const { return items_.Item(key); }
    void Remove(std::string_view key) { items_.Remove(key); }
    void Clear() { items_.Clear(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }
    // Zones are kept in reading order: a new zone goes at the end.
    Zone* Add(const std::string& key);

    // Readers of the "Zone" and additional emitter records.
    void Read();
    void ReadAdditionalHeater();
    void ReadAdditionalCooler();
    void ReadAdditionalSecondaryHeater();

    // Stages of a run over all zones in order.
    void InitSimulation();
    void InitDay();
    void InitTimeStep();
    void SimulateStep();
    void EndStep();
    void SendSummaryResultsEvents();
    void CheckHeatLossConverged(bool& converged) const;
    void OCCINI(int32_t code);
    void MatchPartitions();

    float FloorArea() const;
    void GTOTFA(float& area, float& volume) const;

private:
    EngineState& state_;
    KeyedCollection<Zone> items_;
};

}  // namespace kz7
