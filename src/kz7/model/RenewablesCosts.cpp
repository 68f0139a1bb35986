#include "kz7/model/RenewablesCosts.h"

#include "kz7/engine/EngineState.h"

namespace kz7 {

void RenewablesCosts::Read() {
    LineReader& reader = state_.reader;
    while (true) {
        reader.NextLine();
        if (reader.AtEnd()) {
            state_.ShowError("RenewablesCosts is cut off by the end of the file");
            return;
        }
        RenewablesCostItem item;
        item.Kind = reader.NextString();
        if (item.Kind == "}") return;
        item.Name = reader.NextString();
        item.Area = reader.NextDouble();
        item.CostPerArea = reader.NextDouble();
        item.FixedCost = reader.NextDouble();
        Items.push_back(std::move(item));
    }
}

double RenewablesCosts::TotalCost() const {
    double total = 0.0;
    for (const RenewablesCostItem& item : Items) total += item.Cost();
    return total;
}

double RenewablesCosts::TotalArea(const std::string& kind) const {
    double total = 0.0;
    for (const RenewablesCostItem& item : Items)
        if (item.Kind == kind) total += item.Area;
    return total;
}

}  // namespace kz7
