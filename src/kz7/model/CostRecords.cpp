// Readers of the "ShadingCosts" and "RenewablesCosts" records.
#include <cmath>
#include <string>

#include "kz7/engine/EngineState.h"
#include "kz7/model/RenewablesCosts.h"
#include "kz7/model/ShadingCosts.h"

namespace kz7 {

namespace {

// A cost or area must be a finite figure of at least 0; anything else is
// reported and taken as 0.
double NextFigure(EngineState& state, const char* record, const char* field) {
    const double value = state.reader.NextDouble();
    if (std::isfinite(value) && value >= 0.0) return value;
    state.ShowError(std::string(record) + " has an invalid " + field + "; 0 is used");
    return 0.0;
}

void ReadClosingLine(EngineState& state, const char* record) {
    state.reader.NextLine();
    if (state.reader.AtEnd())
        state.ShowError(std::string(record) + " is cut off by the end of the file");
}

void ReadShadingItem(EngineState& state, const char* name, ShadingItem& item) {
    const std::string prefix = std::string(name) + " ";
    item.Area = NextFigure(state, "ShadingCosts", (prefix + "area").c_str());
    item.CostPerArea = NextFigure(state, "ShadingCosts", (prefix + "cost").c_str());
    item.CO2PerArea = NextFigure(state, "ShadingCosts", (prefix + "carbon").c_str());
    item.CO2EPerArea = NextFigure(state, "ShadingCosts", (prefix + "equivalent carbon").c_str());
}

}  // namespace

void ShadingCosts::Read() {
    state_.reader.NextLine();
    ReadShadingItem(state_, "local shading", LocalShading);
    ReadShadingItem(state_, "window shading", WindowShading);
    ReadClosingLine(state_, "ShadingCosts");
}

void ShadingCosts::Clear() {
    LocalShading = {};
    WindowShading = {};
}

double ShadingCosts::TotalCost() const {
    return (LocalShading.Cost() + WindowShading.Cost()) * state_.settings.gbpConversionRate;
}

void RenewablesCosts::Read() {
    state_.reader.NextLine();
    for (size_t i = 0; i < Items.size(); ++i) {
        const std::string name = kItemNames[i];
        Items[i].Area = NextFigure(state_, "RenewablesCosts", (name + " area").c_str());
        Items[i].Cost = NextFigure(state_, "RenewablesCosts", (name + " cost").c_str());
    }
    ReadClosingLine(state_, "RenewablesCosts");
}

double RenewablesCosts::TotalCost() const {
    double total = 0.0;
    for (const RenewableItem& item : Items) total += item.Cost;
    return total * state_.settings.gbpConversionRate;
}

}  // namespace kz7
