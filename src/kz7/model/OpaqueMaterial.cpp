#include "kz7/model/OpaqueMaterial.h"

#include <cmath>

#include "kz7/engine/EngineState.h"
#include "kz7/platform/NumberText.h"

namespace kz7 {

namespace {

// An optional carbon figure: given when the field is not empty.
void ReadOptionalFigure(LineReader& reader, bool& available, float& figure) {
    const std::string text = reader.NextString();
    available = !text.empty();
    figure = available ? static_cast<float>(ParseLeadingNumber(text)) : 0.0f;
}

// A property that cannot describe a real material is reported; the value is
// kept (the reduction treats it by its own zero guards).
void CheckProperty(EngineState& state, const std::string& key, const char* name, float value) {
    if (!std::isfinite(value) || value < 0.0f)
        state.ShowError("Material " + key + " has an invalid " + name + " " + NumberToText(value));
}

}  // namespace

void OpaqueMaterial::Read() {
    LineReader& reader = state_.reader;
    Key = reader.NextString();
    reader.NextLine();
    Description = CleanName(reader.RestOfLine());
    reader.NextLine();
    Category = reader.NextString();
    Conductivity = reader.NextSingle();
    Capacity = reader.NextSingle();
    Density = reader.NextSingle();
    ReadOptionalFigure(reader, CO2Available, EmbodiedCO2);
    ReadOptionalFigure(reader, CO2EAvailable, EmbodiedCO2E);
    reader.NextLine();
    if (reader.AtEnd()) state_.ShowError("Material " + Key + " is cut off by the end of the file");
    CheckProperty(state_, Key, "conductivity", Conductivity);
    CheckProperty(state_, Key, "specific heat", Capacity);
    CheckProperty(state_, Key, "density", Density);
}

void OpaqueMaterials::Read() {
    auto material = std::make_unique<OpaqueMaterial>(state_);
    material->Read();
    const std::string key = material->Key;
    state_.recordOrigins.Note(state_, key, items_.KeyedInsert(key, std::move(material)) != nullptr);
}

OpaqueMaterial* OpaqueMaterials::Add(const std::string& key) {
    auto material = std::make_unique<OpaqueMaterial>(state_);
    material->Key = key;
    return items_.Append(key, std::move(material));
}

}  // namespace kz7
