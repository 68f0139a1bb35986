#include "kz7/model/ShadingCosts.h"

#include "kz7/engine/EngineState.h"

namespace kz7 {

void ShadingCosts::Read() {
    LineReader& reader = state_.reader;
    while (true) {
        reader.NextLine();
        if (reader.AtEnd()) {
            state_.ShowError("ShadingCosts is cut off by the end of the file");
            return;
        }
        ShadingCostItem item;
        item.System = reader.NextString();
        if (item.System == "}") return;
        item.CostPerArea = reader.NextDouble();
        item.EmbodiedCO2PerArea = reader.NextDouble();
        Items.push_back(std::move(item));
    }
}

const ShadingCostItem* ShadingCosts::Find(std::string_view system) const {
    for (const ShadingCostItem& item : Items)
        if (item.System == system) return &item;
    return nullptr;
}

}  // namespace kz7
