#include "kz7/compliance/ConstructionData.h"

#include <string>

#include "kz7/engine/EngineState.h"
#include "kz7/model/OpaqueConstruction.h"

namespace kz7 {

const OpaqueConstruction* ConstructionAt(EngineState& state, int32_t id) {
    const OpaqueConstruction* construction = state.opaqueConstructions->Item(id);
    if (construction == nullptr)
        state.message.SendTextMessage("No opaque construction at position " + std::to_string(id) +
                                      " (the model has " +
                                      std::to_string(state.opaqueConstructions->Count()) + ")");
    return construction;
}

ConstructionData SingleConstructionData(const OpaqueConstruction& construction) {
    ConstructionData data;
    data.UValue = static_cast<float>(construction.UValue);
    data.HCO = construction.HCO;
    data.RadO = construction.RadO;
    data.SRO = static_cast<float>(construction.SROut);
    data.HCI = construction.HCI;
    data.RadI = construction.RadI;
    data.SRI = static_cast<float>(construction.SRIn);
    return data;
}

ConstructionDataDouble DoubleConstructionData(const OpaqueConstruction& construction) {
    ConstructionDataDouble data;
    data.RValue = construction.RValue;
    data.UValue = construction.UValue;
    data.UValueSurfaceToSurface = construction.UValueSurfaceToSurface;
    data.HCO = construction.HCO;
    data.RadO = construction.RadO;
    data.SRO = construction.SROut;
    data.HCI = construction.HCI;
    data.RadI = construction.RadI;
    data.SRI = construction.SRIn;
    data.Thickness = construction.Thickness;
    data.CM = construction.CM;
    return data;
}

}  // namespace kz7
