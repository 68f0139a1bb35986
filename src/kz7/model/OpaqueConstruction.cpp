#include "kz7/model/OpaqueConstruction.h"

#include <cmath>

#include "kz7/engine/EngineState.h"
#include "kz7/input/RecordProblem.h"
#include "kz7/input/Site.h"
#include "kz7/model/OpaqueMaterial.h"
#include "kz7/platform/NumberText.h"

namespace kz7 {

namespace {

constexpr const char* kPreviousReversed = "<Previous reversed>";
constexpr const char* kPreCalculated = "USE-PRE-CALCULATED-U-VALUE";

bool ValidLength(float value) {
    return std::isfinite(value) && value > 0.0f;
}

}  // namespace

void OpaqueConstruction::Read(const OpaqueConstruction* previous) {
    LineReader& reader = state_.reader;
    IsUsed = false;
    Key = reader.NextString();
    reader.NextLine();
    Description = reader.RestOfLine();
    if (Description == kPreviousReversed) Description = "Construction " + Key;
    Description = CleanName(Description);

    reader.NextLine();
    TYP = reader.NextString();
    const int32_t layerCount = reader.NextInteger();
    ABSRP = reader.NextSingle();
    EmissO = reader.NextDouble();
    EmissI = reader.NextDouble();
    SROut = reader.NextDouble();
    SRIn = reader.NextDouble();
    CostPerArea = reader.NextDouble();
    SetSRO();
    SetSRI();

    if (layerCount > 0) {
        ReadLayers(layerCount);
    } else if (layerCount == 0) {
        if (previous != nullptr) CopyReversed(*previous);
    } else {
        state_.ShowError("Invalid number of layers " + std::to_string(layerCount) +
                         " in construction " + Key);
    }

    reader.NextLine();
    if (reader.AtEnd())
        state_.ShowError("Construction " + Key + " is cut off by the end of the file");
    if (reader.NextString() == kPreCalculated) {
        UsesPreCalculatedUValue = true;
        UValue = reader.NextDouble();
        CM = reader.NextDouble();
        InvolvesMetalCladding = reader.NextInteger() == 1;
        GroundFloorUValueCorrected = reader.NextInteger() == 1;
        UValueBridged = UValue;
        reader.NextLine();
        CalculateEmbodiedCO2();  // the layers, when given, still say what it is made of
        return;
    }
    SetNodes();
    CalculateCM();
    CalculateEmbodiedCO2();
}

void OpaqueConstruction::ReadLayers(int32_t count) {
    LineReader& reader = state_.reader;
    float sumR = 0.0f;
    bool overrunReported = false;
    for (int32_t i = 1; i <= count; ++i) {
        reader.NextLine();
        if (reader.AtEnd()) {
            state_.ShowError("Construction " + Key + " is cut off by the end of the file after " +
                             std::to_string(i - 1) + " layers");
            break;
        }
        // The count is read as given: its layers go on into the next record.
        const std::vector<std::string>& fields = reader.Fields();
        if (!overrunReported && !fields.empty() && IsModelKeyword(fields.front())) {
            ReportRecordProblem(state_, "layer " + std::to_string(i) + " of " +
                                            std::to_string(count) +
                                            " is the line of the keyword \"" + fields.front() +
                                            "\": the layer count runs past the record");
            overrunReported = true;
        }
        auto layer = std::make_shared<Layer>();
        const std::string materialKey = reader.NextString();
        layer->Material = state_.opaqueMaterials->Item(materialKey);
        if (layer->Material == nullptr) {
            state_.ShowError("Missing material in construction " + Description);
            layer->Material = state_.opaqueMaterials->Item(1);
        }
        layer->Thickness = reader.NextSingle();
        layer->PercBridge = reader.NextSingle();
        const std::string bridgeKey = reader.NextString();
        if (!ValidLength(layer->Thickness))
            ReportRecordProblem(state_, "Layer " + std::to_string(i) + " of construction " + Key +
                                            " has an invalid thickness");
        if (!(layer->PercBridge >= 0.0f && layer->PercBridge <= 100.0f)) {
            state_.ShowError("Layer " + std::to_string(i) + " of construction " + Key +
                             " has a bridging percentage outside 0 to 100");
            layer->PercBridge =
                std::isfinite(layer->PercBridge) && layer->PercBridge > 100.0f ? 100.0f : 0.0f;
        }
        // A bridging material that is not known leaves the layer unbridged
        // (see Layer::EffectiveBridge).
        if (layer->PercBridge > 0.0f)
            layer->BridgeMaterial = state_.opaqueMaterials->Item(bridgeKey);
        if (layer->Conductivity() > 0.0f)
            layer->SetResistance(layer->Thickness / layer->Conductivity());
        sumR += layer->Resistance();
        Thickness += layer->Thickness;
        LayerList.Append(std::move(layer));
    }
    SetLayerTotals(sumR);
    UValueBridged = CalculateUValueBridged();
}

void OpaqueConstruction::SetLayerTotals(float sumR) {
    UValueSurfaceToSurface = sumR == 0.0f ? 9999.0 : 1.0 / sumR;
    RValue = sumR + SROut + SRIn;
    UValue = 1.0 / RValue;
}

// The previous construction seen from its other side. The layers are copied
// rather than shared: each construction cuts its layers into mass nodes of
// its own, and sharing would let this construction overwrite the nodes of
// the previous one. The bridged U-value is the previous one's as well.
void OpaqueConstruction::CopyReversed(const OpaqueConstruction& previous) {
    UValue = previous.UValue;
    RValue = previous.RValue;
    UValueSurfaceToSurface = previous.UValueSurfaceToSurface;
    UValueBridged = previous.UValueBridged;
    for (auto it = previous.LayerList.rbegin(); it != previous.LayerList.rend(); ++it) {
        auto layer = std::make_shared<Layer>(**it);
        layer->Nodes.Clear();
        LayerList.Append(std::move(layer));
    }
    SRIn = previous.SROut;
    SROut = previous.SRIn;
    EmissO = previous.EmissI;
    EmissI = previous.EmissO;
    Thickness = previous.Thickness;
}

bool OpaqueConstruction::IsPreviousReversed() const {
    return Description.find("_Reversed") != std::string::npos || Description == kPreviousReversed;
}

int32_t OpaqueConstruction::NodeCount() const {
    int32_t count = 0;
    for (const auto& layer : LayerList) count += layer->Nodes.Count();
    return count;
}

void OpaqueConstruction::AddPropertiesToXML(XmlElement tiConstructions) const {
    if (tiConstructions.IsEmpty()) return;
    const int32_t id = RoundToInt32(ParseLeadingNumber(Key));
    XmlElement match;
    for (XmlElement element = tiConstructions.FirstChild("OpaqueConstruction"); !element.IsEmpty();
         element = element.NextSibling("OpaqueConstruction")) {
        if (RoundToInt32(ParseLeadingNumber(element.GetAttribute("Id"))) == id) {
            match = element;
            break;
        }
    }
    if (match.IsEmpty()) return;
    XmlElement target = match.FirstChild("CM_CW_CO2");
    if (target.IsEmpty()) return;
    // Each number is rounded to three decimals, then written in its shortest form.
    auto text = [](double value) {
        return NumberToText(ParseLeadingNumber(FormatPattern(value, "0.000")));
    };
    target.SetAttribute("CM", text(CM));
    target.SetAttribute("CW", text(CW));
    target.SetAttribute("CO2", text(EmbodiedCO2));
    target.SetAttribute("CO2Flag", std::to_string(CO2Available ? 1 : 0));
    target.SetAttribute("CO2E", text(EmbodiedCO2E));
    target.SetAttribute("CO2EFlag", std::to_string(CO2EAvailable ? 1 : 0));
    target.SetAttribute("UValBridged", text(UValueBridged));
}

std::optional<double> OpaqueConstruction::Member(std::string_view name, int32_t index) const {
    if (name == "UValue") return UValue;
    if (name == "RES2") return RES2(index);
    if (name == "CW") return CW;
    if (name == "HCI") return HCI;
    if (name == "EmissI") return EmissI;
    return std::nullopt;
}

std::optional<Complex> OpaqueConstruction::Impedance(std::string_view name, double w, double RX1,
                                                     double CX1) const {
    if (name == "HKZ7") return HKZ7(w, RX1, CX1);
    if (name == "HMULTI") return HMULTI(w);
    return std::nullopt;
}

void OpaqueConstructions::Read(XmlElement tiConstructions) {
    auto construction = std::make_unique<OpaqueConstruction>(state_);
    construction->Read(last_);
    construction->AddPropertiesToXML(tiConstructions);
    const std::string key = construction->Key;
    OpaqueConstruction* added = items_.KeyedInsert(key, std::move(construction));
    state_.recordOrigins.Note(state_, key, added != nullptr);
    if (added != nullptr) last_ = added;
}

void OpaqueConstructions::Remove(std::string_view key) {
    if (last_ != nullptr && last_->Key == key) last_ = nullptr;
    items_.Remove(key);
}

}  // namespace kz7
