#pragma once
// Layered opaque constructions and their reduction to the few numbers the
// zone circuits need.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kz7/input/KeyedCollection.h"
#include "kz7/model/Layer.h"
#include "kz7/model/ThermalMembers.h"
#include "kz7/platform/XmlElement.h"
#include "kz7/thermal/Complex.h"

namespace kz7 {

class EngineState;
class ReportFile;

// One heat-flow path of the combined method for the bridged U-value.
struct UValuePaths {
    float f = 0.0f;  // area fraction
    float r = 0.0f;  // total resistance including both surface resistances
};

class OpaqueConstruction : public ThermalMembers {
  public:
    explicit OpaqueConstruction(EngineState& state) : state_(state) {}

    // Reads the record from the keyword line onward. `previous` is the
    // construction read before this one (for "<Previous reversed>").
    void Read(const OpaqueConstruction* previous);
    void AddPropertiesToXML(XmlElement tiConstructions) const;
    bool IsPreviousReversed() const;

    // Reduction (thermal/OpaqueConstructionReduction.cpp).
    void SetSRO();
    void SetSRI();
    void SetNodes();
    void Set1NodeParameters();
    void CalculateCM();
    double CalculateUValueBridged();
    Complex HKZ7(double w, double RX1 = 0.0, double CX1 = 0.0) const;
    Complex HMULTI(double w) const;
    float RES2(int32_t i) const {
        return (i == 1 || i == 2) ? res2_[static_cast<size_t>(i - 1)] : 0.0f;
    }
    void SetRES2(int32_t i, float value) {
        if (i == 1 || i == 2) res2_[static_cast<size_t>(i - 1)] = value;
    }
    const std::vector<UValuePaths>& Paths() const { return paths_; }
    // Number of mass nodes over all layers.
    int32_t NodeCount() const;

    std::optional<double> Member(std::string_view name, int32_t index = 0) const override;
    std::optional<Complex> Impedance(std::string_view name, double w, double RX1 = 0.0,
                                     double CX1 = 0.0) const override;

    bool IsUsed = false;
    std::string Key;
    std::string Description;
    int32_t Index = 0;
    std::string TYP;   // "W", "R", "S", "F", "C", "P", "D"
    Layers LayerList;  // outside first
    float HCO = 0.0f, HCI = 0.0f;
    float RES = 0.0f;
    float RadO = 0.0f, RadI = 0.0f;
    double SROut = 0.0, SRIn = 0.0;
    double EmissI = 0.0, EmissO = 0.0;
    float ABSRP = 0.0f;
    bool HWVT = false;
    int16_t NNods = 0;
    float KX = 0.0f, CX = 0.0f, KEL = 0.0f, MEL = 0.0f;
    float NODZ3 = 0.0f;
    double Thickness = 0.0;
    int16_t NTOT = 0, RW1 = 0, RW2 = 0, FON1 = 0;
    bool HVWT = false;
    float CW = 0.0f;
    double UValue = 0.0;
    double RValue = 0.0;
    double UValueSurfaceToSurface = 0.0;
    double UValueBridged = 0.0;
    double CM = 0.0;  // kJ/(m²K)
    bool InvolvesMetalCladding = false;
    bool GroundFloorUValueCorrected = false;
    bool CO2Available = false, CO2EAvailable = false;
    double EmbodiedCO2 = 0.0, EmbodiedCO2E = 0.0;
    double TotalCost = 0.0, TotalEmbodiedCO2 = 0.0, TotalEmbodiedCO2E = 0.0, TotalArea = 0.0;
    double CostPerArea = 0.0;
    bool UsesPreCalculatedUValue = false;

    // ---- Carbon and report (output/).
    // Embodied carbon per m² from the layers: thickness × density × the
    // material's factor, summed; available when every layer's material gives it.
    void CalculateEmbodiedCO2();
    void GenerateReport(ReportFile& file) const;

  private:
    void ReadLayers(int32_t count);
    void CopyReversed(const OpaqueConstruction& previous);
    void SetLayerTotals(float sumR);
    std::vector<UValuePaths> BuildUValuePaths() const;
    double LowerLimitResistance() const;
    int32_t PathChoiceCount(int32_t layer) const;

    EngineState& state_;
    std::array<float, 2> res2_{};
    std::vector<UValuePaths> paths_;
};

class OpaqueConstructions {
  public:
    explicit OpaqueConstructions(EngineState& state) : state_(state) {}

    void Read(XmlElement tiConstructions);
    void Clear() {
        items_.Clear();
        last_ = nullptr;
    }
    int32_t Count() const { return items_.Count(); }
    void Remove(std::string_view key);
    // nullptr for an unknown key or position.
    OpaqueConstruction* Item(std::string_view key) const { return items_.Find(key); }
    OpaqueConstruction* Item(int32_t position) const { return items_.Find(position); }
    // The construction added last: the one read before the current record.
    // New constructions go to the front of the collection, so it is tracked
    // rather than taken from the collection's end.
    OpaqueConstruction* Last() const { return last_; }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    // ---- Report tables (output/).
    void GenerateReport(ReportFile& file) const;
    void GenerateCO2Report(ReportFile& file) const;
    void GenerateCostReport(ReportFile& file) const;
    // Constructions referenced by at least one element (IsUsed).
    int32_t GetNumberOfUsedItems() const;

  private:
    EngineState& state_;
    KeyedCollection<OpaqueConstruction> items_;
    OpaqueConstruction* last_ = nullptr;
};

}  // namespace kz7
