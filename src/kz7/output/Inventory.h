#pragma once
// The carbon and cost inventory of the model, the ground of the report's
// carbon and cost tables and of the control's totals.
//
// Each element adds its area to its construction; the construction's carbon
// is its area times its carbon per m², and each layer adds
// thickness × density × area (× its share of the layer when bridged) to its
// material's mass and that mass times the material's factor to its carbon.
// A surface shared by two zones is listed in both after partition matching;
// its matched partner (Blocked) adds nothing to the constructions, so the
// wall counts once. Surface finishes belong to each side and count on both.
// Costs are kept in GBP; the report and the totals convert them.
#include <cmath>
#include <cstdint>

#include "kz7/model/Layer.h"

namespace kz7 {

class EngineState;
class OpaqueMaterial;

// Inside finish of one kind of surface.
struct SurfaceFinish {
    double Area = 0.0;  // m²
    double Cost = 0.0;  // GBP
};

struct BuildingInventory {
    double FloorArea = 0.0;         // m², all zones
    double SubStructureArea = 0.0;  // m², ground floors (Element::IsSubStructure)
    SurfaceFinish Walls;            // walls and partitions
    SurfaceFinish Floors;           // floors of every kind
    SurfaceFinish Ceilings;         // ceilings and the inside of roofs
};

// Resets and fills the IsUsed flags and the Total* accumulators of
// materials, opaque and glazed constructions from the zones' elements, and
// returns the building-wide figures.
BuildingInventory TakeInventory(EngineState& state);

// Calls `use(material, thickness)` for the materials of a layer: the main
// material over the unbridged share and the bridging material over the rest.
// A layer without a valid thickness (reported when read) adds nothing.
template <typename Use>
void ForEachLayerMaterial(const Layer& layer, Use use) {
    if (!(std::isfinite(layer.Thickness) && layer.Thickness > 0.0f)) return;
    const double bridged = layer.EffectiveBridge() / 100.0;
    if (layer.Material != nullptr && bridged < 1.0)
        use(*layer.Material, layer.Thickness * (1.0 - bridged));
    if (layer.BridgeMaterial != nullptr && bridged > 0.0)
        use(*layer.BridgeMaterial, layer.Thickness * bridged);
}

}  // namespace kz7
