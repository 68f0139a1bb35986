#include "kz7/output/PlantResultStore.h"

#include <algorithm>

#include "kz7/engine/EngineState.h"
#include "kz7/output/BuildingRecord.h"
#include "kz7/output/EnergySlots.h"
#include "kz7/output/OutputStore.h"

namespace kz7 {

PlantResultStore::PlantResultStore(EngineState& state, OutputStore& store, BuildingRecord& building)
    : state_(state), store_(store), building_(building) {
    std::array<int32_t, kPlantOutputGroupCount + 1> inGroup{};
    for (size_t i = 0; i < PlantVariables().size(); ++i) {
        const int32_t group = PlantVariables()[i].group;
        places_[i] = Place{group, ++inGroup[static_cast<size_t>(group)]};
        variablesPerRecord_ = std::max(variablesPerRecord_, places_[i].variable);
    }
}

void PlantResultStore::Control(int32_t code) {
    switch (code) {
        case -999:
        case 5:
            Close();
            break;
        case 2:
            Open();
            break;
        default:
            break;
    }
}

void PlantResultStore::SetPlantItemCounts(int32_t boilers, int32_t chillers) {
    boilers_ = std::max(boilers, 0);
    chillers_ = std::max(chillers, 0);
    PlanSteps();
}

int32_t PlantResultStore::Handle(int32_t interval) const {
    return interval >= 1 && interval <= kIntervalCount ? handles_[static_cast<size_t>(interval)]
                                                       : 0;
}

bool PlantResultStore::GroupSelected(int32_t group, int32_t interval) const {
    if (HostForcesInterval(state_.settings, interval)) return true;
    const auto& options = state_.settings.plantOutputOptions;
    if (group < 1 || group > kPlantOutputGroupCount || interval < 1 || interval > kIntervalCount)
        return false;
    return options[static_cast<size_t>(group - 1)][static_cast<size_t>(interval - 1)] != 0;
}

int32_t PlantResultStore::SlotOf(const PlantVariableInfo& variable) const {
    switch (variable.source) {
        case PlantSource::Slot:
            return variable.item;
        case PlantSource::BoilerFuel:
            return variable.item <= boilers_ ? EnergySlot::BoilerFuel(variable.item) : 0;
        case PlantSource::ChillerFuel:
            return variable.item <= chillers_ ? EnergySlot::ChillerFuel(variable.item, boilers_)
                                              : 0;
    }
    return 0;
}

void PlantResultStore::Open() {
    Close();  // a run that ended without a close leaves its handles to reuse
    for (int32_t k = 1; k <= kIntervalCount; ++k) {
        bool any = false;
        for (int32_t group = 1; group <= kPlantOutputGroupCount; ++group)
            any = any || GroupSelected(group, k);
        if (!any) continue;
        const int32_t handle =
            store_.Allocate(static_cast<int16_t>(k), kPlantOutputGroupCount, variablesPerRecord_,
                            IntervalScale(k, state_.clock.timeStep));
        if (handle == 0) continue;
        for (size_t i = 0; i < PlantVariables().size(); ++i) {
            const PlantVariableInfo& variable = PlantVariables()[i];
            store_.SetVariable(handle, places_[i].record, places_[i].variable,
                               GroupSelected(variable.group, k), Aggregation::Summed);
        }
        handles_[static_cast<size_t>(k)] = handle;
    }
    PlanSteps();
}

void PlantResultStore::Close() {
    for (int32_t& handle : handles_) {
        store_.Free(handle);
        handle = 0;
    }
    stepCells_.clear();
}

// Which cells a step adds to is fixed while the handles are open; working it
// out once keeps the per-step pass to the additions (it runs at every step
// even for a one-zone model, where it would otherwise cost more than the zone).
void PlantResultStore::PlanSteps() {
    stepCells_.clear();
    for (int32_t k = 1; k <= kIntervalCount; ++k) {
        const int32_t handle = handles_[static_cast<size_t>(k)];
        if (handle == 0) continue;
        const GroupRecords groups = Groups(handle);
        for (size_t i = 0; i < PlantVariables().size(); ++i) {
            const Place place = places_[i];
            const OutputRecord& cells = groups[static_cast<size_t>(place.record)];
            if (!cells.IsSelected(place.variable)) continue;
            const int32_t slot = SlotOf(PlantVariables()[i]);
            if (slot == 0) continue;  // no such boiler or chiller: stays missing
            stepCells_.push_back({cells, place.variable, slot, k});
        }
    }
}

void PlantResultStore::RecordStep(const IntervalWeights& weights) {
    for (StepCell& cell : stepCells_)
        cell.record.Add(cell.variable, state_.energy.Get(cell.slot),
                        weights[static_cast<size_t>(cell.interval)]);
}

PlantResultStore::GroupRecords PlantResultStore::Groups(int32_t handle) {
    GroupRecords groups;
    for (int32_t group = 1; group <= kPlantOutputGroupCount; ++group)
        groups[static_cast<size_t>(group)] = store_.Record(handle, group);
    return groups;
}

void PlantResultStore::Interval(bool discard, int32_t interval) {
    if (interval < 1 || interval > kIntervalCount) return;
    const int32_t handle = Handle(interval);
    if (discard) {
        store_.Reset(handle);
        building_.Empty(interval, state_.outputData.WantsTexts());
        return;
    }
    // The building values of a sent zone interval travel even when no plant
    // group is selected for it: they would otherwise be computed and lost.
    if (handle == 0 && !building_.HasBuildingValues(interval)) return;
    Send(interval);
}

void PlantResultStore::Send(int32_t interval) {
    const int32_t handle = Handle(interval);
    RecordValues& values = building_.Values(interval);
    const char separator = state_.settings.decimalSeparator;
    const GroupRecords groups = Groups(handle);
    for (size_t i = 0; i < PlantVariables().size(); ++i) {
        const auto position = static_cast<size_t>(PlantVariables()[i].position);
        const Place place = places_[i];
        OutputRecord cells = groups[static_cast<size_t>(place.record)];
        if (!cells.IsSelected(place.variable)) {
            values.Clear(position);
            continue;
        }
        values.Set(position, cells.Value(place.variable), separator);
        cells.ResetVariable(place.variable);
    }
    store_.CountSend(handle);
    state_.outputData.SaveRecord({static_cast<int16_t>(interval), 0, values.Numbers(),
                                  state_.clock.RecordDate(interval),
                                  state_.clock.RecordTime(interval)},
                                 values.Texts());
    building_.Empty(interval, state_.outputData.WantsTexts());
}

}  // namespace kz7
