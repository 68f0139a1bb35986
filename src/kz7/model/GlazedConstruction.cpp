#include "kz7/model/GlazedConstruction.h"

#include <algorithm>
#include <cmath>

#include "kz7/engine/EngineState.h"
#include "kz7/model/Louvre.h"
#include "kz7/platform/NumberText.h"

namespace kz7 {

namespace {
constexpr float kInternalHCO = 3.0f;  // W/m²K, glazing between rooms
constexpr float kStillAirHCI = 3.0f;  // W/m²K
float RoomRadiative(float emissivity) {
    return emissivity * 5.7f * 0.9f * 6.0f / 5.0f;
}
}  // namespace

void GlazedConstruction::Read() {
    LineReader& reader = state_.reader;
    Key = reader.NextString();
    reader.NextLine();
    Description = CleanName(reader.RestOfLine());
    if (Description == "<Previous reversed>") Description = "Construction " + Key;

    reader.NextLine();
    TY = reader.NextString();
    UValue = reader.NextSingle();
    NLayers = static_cast<uint8_t>(std::clamp<int32_t>(reader.NextInteger(), 0, 255));
    FrameMult = 1.0f - reader.NextSingle() / 100.0f;
    EmissI = reader.NextSingle();
    EmissO = reader.NextSingle();
    SROut = reader.NextSingle();
    SRIn = reader.NextSingle();
    SetOutsideCoefficients();
    SetInsideCoefficients();
    TransTotal = reader.NextSingle();
    TransDirectSolar = reader.NextSingle();
    TransLight = reader.NextSingle();
    const std::string louvreKey = reader.NextString();
    if (!louvreKey.empty()) {
        AttachedLouvre = state_.louvres->Item(louvreKey);
        if (AttachedLouvre == nullptr)
            state_.ShowError("Missing louvre " + louvreKey + " in glazed construction " + Key);
    }
    EmbodiedCO2PerArea = reader.NextSingle();
    CostPerArea = reader.NextDouble();
    reader.NextLine();
    if (reader.AtEnd())
        state_.ShowError("Glazed construction " + Key + " is cut off by the end of the file");
    if (!(std::isfinite(UValue) && UValue >= 0.0f))
        state_.ShowError("Glazed construction " + Key + " has an invalid U-value");
}

void GlazedConstruction::SetOutsideCoefficients() {
    if (TY == "EW" || TY == "RL") {
        RadO = EmissO * 5.7f;
        HCO = TY == "EW" ? state_.settings.outsideConvectiveWall
                         : state_.settings.outsideConvectiveRoof;
    } else if (TY == "IW") {
        RadO = RoomRadiative(EmissO);
        HCO = kInternalHCO;
    }
    if (SROut > 0.0f)
        HCO = 1.0f / SROut - RadO;
    else
        SROut = 1.0f / (RadO + HCO);
}

void GlazedConstruction::SetInsideCoefficients() {
    RadI = RoomRadiative(EmissI);
    if (SRIn != 0.0f) {
        HCI = 1.0f / SRIn - RadI;
    } else {
        HCI = kStillAirHCI;
        SRIn = 1.0f / (RadI + kStillAirHCI);
    }
}

float GlazedConstruction::ShadingCoefficient(float angle) const {
    return AttachedLouvre != nullptr ? AttachedLouvre->ShadingCoefficient(angle) : 1.0f;
}

std::optional<double> GlazedConstruction::Member(std::string_view name, int32_t /*index*/) const {
    if (name == "UValue") return UValue;
    if (name == "HCI") return HCI;
    if (name == "EmissI") return EmissI;
    return std::nullopt;
}

void GlazedConstructions::Read() {
    auto glazing = std::make_unique<GlazedConstruction>(state_);
    glazing->Read();
    const std::string key = glazing->Key;
    state_.recordOrigins.Note(state_, key, items_.KeyedInsert(key, std::move(glazing)) != nullptr);
}

}  // namespace kz7
