#pragma once
// Opaque materials, referred to by the layers of opaque constructions.
#include <cstdint>
#include <string>
#include <string_view>

#include "kz7/input/KeyedCollection.h"

namespace kz7 {

class EngineState;
class ReportFile;

class OpaqueMaterial {
  public:
    explicit OpaqueMaterial(EngineState& state) : state_(state) {}

    void Read();
    // 1/Conductivity, m·K/W; 0 when the conductivity is not positive.
    float Resistance() const { return Conductivity > 0.0f ? 1.0f / Conductivity : 0.0f; }

    std::string Key;
    std::string Description;
    int32_t Index = 0;
    std::string Category;
    float Conductivity = 0.0f;  // W/(m·K)
    float Capacity = 0.0f;      // J/(kg·K)
    float Density = 0.0f;       // kg/m³
    bool CO2Available = false;
    bool CO2EAvailable = false;
    float EmbodiedCO2 = 0.0f;
    float EmbodiedCO2E = 0.0f;
    float TotalEmbodiedCO2 = 0.0f;
    float TotalEmbodiedCO2E = 0.0f;
    float TotalMass = 0.0f;
    float TotalArea = 0.0f;
    bool IsUsed = false;  // a layer of a used construction; set by the report's inventory

  private:
    EngineState& state_;
};

class OpaqueMaterials {
  public:
    explicit OpaqueMaterials(EngineState& state) : state_(state) {}

    void Read();
    OpaqueMaterial* Add(const std::string& key);
    void Clear() { items_.Clear(); }
    int32_t Count() const { return items_.Count(); }
    void Remove(std::string_view key) { items_.Remove(key); }
    // nullptr for an unknown key or position.
    OpaqueMaterial* Item(std::string_view key) const { return items_.Find(key); }
    OpaqueMaterial* Item(int32_t position) const { return items_.Find(position); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    // ---- Report table (output/).
    void GenerateCO2Report(ReportFile& file) const;
    int32_t GetNumberOfUsedItems() const;

  private:
    EngineState& state_;
    KeyedCollection<OpaqueMaterial> items_;
};

}  // namespace kz7
