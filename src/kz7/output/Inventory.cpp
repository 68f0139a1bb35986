#include "kz7/output/Inventory.h"

#include <string>

#include "kz7/engine/EngineState.h"
#include "kz7/model/GlazedConstruction.h"
#include "kz7/model/OpaqueConstruction.h"
#include "kz7/model/OpaqueMaterial.h"
#include "kz7/model/Zone.h"

namespace kz7 {

namespace {

// A figure per m² that cannot be right (negative density, NaN) must not
// spoil the totals: it counts as 0.
double Sane(double value) {
    return std::isfinite(value) ? value : 0.0;
}

void ResetAccumulators(EngineState& state) {
    for (OpaqueMaterial& material : *state.opaqueMaterials) {
        material.IsUsed = false;
        material.TotalEmbodiedCO2 = material.TotalEmbodiedCO2E = material.TotalMass =
            material.TotalArea = 0.0f;
    }
    for (OpaqueConstruction& construction : *state.opaqueConstructions) {
        construction.IsUsed = false;
        construction.TotalCost = construction.TotalEmbodiedCO2 = construction.TotalEmbodiedCO2E =
            0.0;
        construction.TotalArea = 0.0;
    }
    for (GlazedConstruction& glazing : *state.glazedConstructions) {
        glazing.IsUsed = false;
        glazing.EmbodiedCO2 = glazing.EmbodiedCO2E = glazing.EmbodiedCO2PerArea;
        glazing.TotalEmbodiedCO2 = glazing.TotalEmbodiedCO2E = glazing.TotalArea = 0.0f;
        glazing.TotalCost = 0.0;
    }
}

void AddOpaque(OpaqueConstruction& construction, double area) {
    construction.TotalArea += area;
    construction.TotalEmbodiedCO2 += area * Sane(construction.EmbodiedCO2);
    construction.TotalEmbodiedCO2E += area * Sane(construction.EmbodiedCO2E);
    construction.TotalCost += area * Sane(construction.CostPerArea);
    for (const auto& layer : construction.LayerList) {
        ForEachLayerMaterial(*layer, [area](OpaqueMaterial& material, double thickness) {
            const double mass = Sane(thickness * material.Density * area);
            material.TotalArea += static_cast<float>(area);
            material.TotalMass += static_cast<float>(mass);
            material.TotalEmbodiedCO2 += static_cast<float>(mass * Sane(material.EmbodiedCO2));
            material.TotalEmbodiedCO2E += static_cast<float>(mass * Sane(material.EmbodiedCO2E));
        });
    }
}

void AddGlazing(GlazedConstruction& glazing, double area) {
    glazing.TotalArea += static_cast<float>(area);
    glazing.TotalEmbodiedCO2 += static_cast<float>(area * Sane(glazing.EmbodiedCO2));
    glazing.TotalEmbodiedCO2E += static_cast<float>(area * Sane(glazing.EmbodiedCO2E));
    glazing.TotalCost += area * Sane(glazing.CostPerArea);
}

void MarkUsedMaterials(const OpaqueConstruction& construction) {
    for (const auto& layer : construction.LayerList)
        ForEachLayerMaterial(*layer,
                             [](OpaqueMaterial& material, double) { material.IsUsed = true; });
}

SurfaceFinish* FinishOf(BuildingInventory& inventory, const std::string& code) {
    if (code == "W" || code == "P") return &inventory.Walls;
    if (code == "S" || code == "F" || code == "E") return &inventory.Floors;
    if (code == "C" || code == "R") return &inventory.Ceilings;
    return nullptr;
}

}  // namespace

void OpaqueConstruction::CalculateEmbodiedCO2() {
    EmbodiedCO2 = 0.0;
    EmbodiedCO2E = 0.0;
    CO2Available = LayerList.Count() > 0;
    CO2EAvailable = CO2Available;
    for (const auto& layer : LayerList) {
        ForEachLayerMaterial(*layer, [this](const OpaqueMaterial& material, double thickness) {
            const double mass = thickness * material.Density;  // kg per m² of construction
            EmbodiedCO2 += mass * material.EmbodiedCO2;
            EmbodiedCO2E += mass * material.EmbodiedCO2E;
            CO2Available = CO2Available && material.CO2Available;
            CO2EAvailable = CO2EAvailable && material.CO2EAvailable;
        });
    }
}

BuildingInventory TakeInventory(EngineState& state) {
    ResetAccumulators(state);
    BuildingInventory inventory;
    for (const Zone& zone : *state.zones) {
        inventory.FloorArea += zone.FloorArea;
        for (const auto& item : zone.elements) {
            const Element& element = *item;
            const double area = Sane(element.ElementArea);
            if (element.Opaque != nullptr) {
                element.Opaque->IsUsed = true;
                MarkUsedMaterials(*element.Opaque);
                if (!element.Blocked) AddOpaque(*element.Opaque, area);
            }
            if (element.Glazing != nullptr) {
                element.Glazing->IsUsed = true;
                if (!element.Blocked) AddGlazing(*element.Glazing, area);
            }
            if (element.IsSubStructure()) inventory.SubStructureArea += area;
            if (SurfaceFinish* finish = FinishOf(inventory, element.ElCode)) {
                finish->Area += area;
                finish->Cost += area * Sane(element.CostSurfaceFinish);
            }
        }
    }
    return inventory;
}

}  // namespace kz7
