#pragma once
// Glazed constructions: windows, roof lights and internal glazing.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "kz7/input/KeyedCollection.h"
#include "kz7/model/ThermalMembers.h"

namespace kz7 {

class EngineState;
class ReportFile;
class Louvre;

class GlazedConstruction : public ThermalMembers {
  public:
    explicit GlazedConstruction(EngineState& state) : state_(state) {}

    void Read();
    // The attached louvre's coefficient, or 1 without a louvre.
    float ShadingCoefficient(float angle) const;

    std::optional<double> Member(std::string_view name, int32_t index = 0) const override;

    std::string Key;
    std::string Description;
    int32_t Index = 0;
    std::string TY;  // "EW", "RL" or "IW"
    float UValue = 0.0f;
    uint8_t NLayers = 0;
    float TransDirectSolar = 0.0f;
    float TransLight = 0.0f;
    float TransTotal = 0.0f;
    float FrameMult = 1.0f;
    float HCO = 0.0f, HCI = 0.0f;
    float RES = 0.0f;
    float RadO = 0.0f, RadI = 0.0f;
    float SROut = 0.0f, SRIn = 0.0f;
    float EmissI = 0.0f, EmissO = 0.0f;
    Louvre* AttachedLouvre = nullptr;
    float EmbodiedCO2PerArea = 0.0f;
    float EmbodiedCO2 = 0.0f, EmbodiedCO2E = 0.0f, TotalEmbodiedCO2 = 0.0f,
          TotalEmbodiedCO2E = 0.0f;
    float TotalArea = 0.0f;
    double CostPerArea = 0.0;
    double TotalCost = 0.0;  // GBP, filled by the report's inventory
    bool IsUsed = false;     // referenced by an element (set when the element is read)

    void GenerateReport(ReportFile& file) const;

  private:
    void SetOutsideCoefficients();
    void SetInsideCoefficients();

    EngineState& state_;
};

class GlazedConstructions {
  public:
    explicit GlazedConstructions(EngineState& state) : state_(state) {}

    void Read();
    void Clear() { items_.Clear(); }
    int32_t Count() const { return items_.Count(); }
    void Remove(std::string_view key) { items_.Remove(key); }
    GlazedConstruction* Item(std::string_view key) const { return items_.Find(key); }
    GlazedConstruction* Item(int32_t position) const { return items_.Find(position); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    // ---- Report tables (output/).
    void GenerateReport(ReportFile& file) const;
    void GenerateCO2Report(ReportFile& file) const;
    void GenerateCostReport(ReportFile& file) const;
    int32_t GetNumberOfUsedItems() const;

  private:
    EngineState& state_;
    KeyedCollection<GlazedConstruction> items_;
};

}  // namespace kz7
