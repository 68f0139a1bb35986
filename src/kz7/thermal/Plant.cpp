#include "kz7/thermal/Plant.h"

#include "kz7/engine/EngineState.h"
#include "kz7/model/ProfileGroup.h"
#include "kz7/output/ResultStores.h"

namespace kz7 {

void Plant::InitSimulation() {
    state_.results->SetPlantItemCounts(boilers.Count(), chillers.Count());
    for (const HeaterDefinition& definition : heaterDefinitions) definition.CheckForRun();
    for (const CoolerDefinition& definition : coolerDefinitions) definition.CheckForRun();
    for (const Boiler& boiler : boilers) boiler.CheckForRun();
    for (const Chiller& chiller : chillers) chiller.CheckForRun();
}

void Plant::InitTimeStep() {
    boilers.InitTimeStep();
    chillers.InitTimeStep();
    state_.energy.Clear();
}

void Plant::Solve() {
    dhw.Solve();
    boilers.Solve();
    chillers.Solve();
}

void DHW::Solve() {
    if (SupplyBoiler == nullptr || ANCPC == nullptr) return;
    SupplyBoiler->SMPHTACUM += ANCPC->GRPVAL() * ANCMXHT / 100.0f;
}

}  // namespace kz7
