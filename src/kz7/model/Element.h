#pragma once
// Elements of a zone: opaque surfaces, glazing and airflow paths.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "kz7/platform/CacheLineAllocator.h"
#include "kz7/platform/CacheLines.h"

namespace kz7 {

class EngineState;
class Zone;
class ThermalMembers;
class OpaqueConstruction;
class GlazedConstruction;
class ProfileGroup;
class Surface;
class ReportFile;
struct SunView;

class Element {
  public:
    Element(EngineState& state, Zone& zone) : MyZone(&zone), state_(state) {}

    // Initialise from the current line, whose first field is the code.
    void InitAsOpaque();
    void InitAsGlazing();
    void InitAsAirflow();

    // "G" glazed, "A" airflow, "o" opening, "O" opaque, from the code.
    void SetRMOG(std::string& code);
    // The one letter of RMOG ('\0' before it is set).
    char Kind() const { return kind_; }
    void SetExclude(int32_t& result);
    std::string GetElementType() const;
    bool IsSubStructure() const;
    // ---- Report rows (output/).
    void GenerateReport(ReportFile& file) const;
    void GenerateCasaClimaReport(ReportFile& file, int32_t opaqueId) const;

    // Start of a run: the partition mass starts at the initial temperature;
    // U·A and the partition's conductances are taken from the construction.
    void InitSimulation();
    // U-value of the element's construction (0 without one), W/m²K.
    float ConstructionUValue() const;
    // True when `other` lies in a zone after this element's zone.
    void ComesAfter(const Element& other, bool& result) const;

    // How the zone's accumulation step (Zone::Acum) couples the element to
    // its zone, once partitions are matched: a flow through the fabric, an
    // air flow, or a partition's mass or conductance; none for the second
    // half of a matched pair and for elements no rule takes.
    enum class Coupling : uint8_t { None, LightFabric, HeavyFabric, Airflow, MassPartition, LightPartition };
    Coupling StepCoupling() const;
    // The outside face takes the sun and sky: an outside element, or a
    // partition the host shades as a plane of its own.
    bool SeesTheSky() const { return IOS == 1 || (IOS == 6 && PlaneIndex >= 0); }
    // An opaque or glazed element that is part of its zone's circuit but has
    // no area: the circuit cannot be set up with it.
    bool LacksCircuitArea() const {
        return (RMOG == "O" || RMOG == "G") && !Exclude && ElementArea == 0.0f;
    }

    // The step's sun on the element: on its outside face (IRRAD, W/m²),
    // and for a window what it passes into the zone directly (IWDDIR) and
    // as absorbed heat (IWDRTD), W/m². Kept by the zone's sun paths during
    // a run (Elements::SunlitPath, WindowPath); nothing for an element no
    // sun path takes.
    struct Sun {
        float IRRAD = 0.0f, IWDDIR = 0.0f, IWDRTD = 0.0f;
    };
    Sun StepSun() const;
    void RadLW(float& value) const;
    // The long-wave loss of the element's plane under the step's sky, W/m².
    float RadLW(const SunView& sky) const;

    // A step reads no element: what it needs of one is copied into the
    // paths of its zone's Elements at the start of a run (PrepareRun).
    Surface* Plane = nullptr;               // the element's orientation-slope surface
    OpaqueConstruction* Opaque = nullptr;   // set for opaque elements
    GlazedConstruction* Glazing = nullptr;  // set for glazed elements
    Zone* MyZone;
    float ElementArea = 0.0f;
    float SRIn = 0.0f, SROut = 0.0f;
    float RESEL = 0.0f;
    int16_t IOS = 0;
    bool HVWT = false;

  private:
    char kind_ = '\0';  // RMOG's letter, taken when the element's line is read
    EngineState& state_;

  public:
    Zone* AdjacentZone = nullptr;  // the zone on the other side (partition matching)
    Element* OtherElement = nullptr;
    ProfileGroup* AirflowPG = nullptr;   // the airflow schedule of an airflow element
    ProfileGroup* AdjacentPG = nullptr;  // boundary schedule for IOS 5
    float KgPerSec = 0.0f;
    float OSCD = 0.0f;
    int32_t PlaneIndex = -1;
    // The element's place in its zone's Elements (from 0), where its step
    // flow is kept (Elements::StepFlow).
    int32_t Position = 0;

  private:
    bool mechanicalSupply_ = false;  // ElCode "M": its fan heats the air it supplies

  public:
    bool Blocked = false;
    bool Exclude = false;
    // ConstructionUValue() × ElementArea, W/K, fixed at the start of a run.
    float UA = 0.0f;
    // Where the element's heat flow is reported: ElementOutputCode(ElCode).
    int16_t HBELCODE = 0;
    // A heavy element's mass node as a partition sees it, fixed at the start
    // of a run: conductances to the far and the near side, W/K, and its heat
    // capacity, J/K.
    float PartitionFarK = 0.0f, PartitionNearK = 0.0f, PartitionCapacity = 0.0f;

    // Heat flow into the zone recorded for this element in the step, kW.
    float StepFlowKW() const;
    // Temperature of a partition's mass node, °C: kept by the zone's
    // partition pass (Elements::PartitionPath) during a run; the run's
    // initial temperature for an element the step does not couple as a
    // partition with mass.
    float TMPart() const;
    // A mechanical supply ("M"), whose fan adds its heat to the air.
    bool IsMechanicalSupply() const { return mechanicalSupply_; }
    std::string RMOG;
    std::string ElCode;

    // The construction at the other end of the element, reached by member
    // name; nullptr for airflow elements and for a missing construction.
    ThermalMembers* ConnectObject = nullptr;
    float Orientation = 0.0f;  // radians
    float SlopeDegX = 0.0f;    // degrees, clamped
    float Slope = 0.0f;        // radians
    float OffsetTemperature = 0.0f;
    std::string RMID;
    float AirflowRate = 0.0f;  // air changes per hour

    // Shading, export and cost fields.
    std::string ShadingSystem;
    float ShadingCoeff = 0.0f;
    bool IsDisplay = false;
    float SurfaceAreaRatio = 0.0f;
    std::string ShadingPosition;
    std::string ShadingColour;
    float ShadingTx = 0.0f;
    std::string ShadingBrise;
    std::string SBEMRoofLightCover;
    std::string SBEMDoorType;
    bool IsStronglyVentilated = false;
    bool IsOtherZoneHeated = false;
    bool IsOtherZoneSemiExterior = false;
    double CostSurfaceFinish = 0.0;
    float ZExtent = 0.0f;
    float HExtent = 0.0f;
    int32_t ElemCount = 0;
    std::string SBEMSolarCollectorName;
    float SBEMSolarCollectorArea = 0.0f;

  private:
    void ReadGeometry(float clampFrom, float flatFrom);
    void ReadOpaqueBoundary();
    void ReadGlazingBoundary();
    void ReadBoundaryTail();
    void FinishInit();
};

class Elements {
  public:
    Elements(EngineState& state, Zone& zone) : state_(state), zone_(zone) {}
    // A copy would point at the arrays of the elements it was copied from.
    Elements(const Elements&) = delete;
    Elements& operator=(const Elements&) = delete;

    // Element lines until a line whose first field is "}".
    void ReadOpaqueElements();
    void ReadGlazedElements();
    void ReadAirflowElements();

    int32_t Count() const { return static_cast<int32_t>(items_.size()); }
    Element& Item(int32_t position) const { return *items_.at(static_cast<size_t>(position - 1)); }
    void Add(std::unique_ptr<Element> element);
    void Clear() {
        items_.clear();
        block_.clear();
        lists_ = {};
    }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    // The heat flows into the zone recorded on the elements in the step, kW,
    // by Element::Position: one array, so that clearing them at the start of
    // a step touches one cache line rather than every element.
    void ClearStepFlows() {
        // A zone without elements has no array to clear (and memset takes no null).
        if (lists_.stepFlowCount != 0)
            std::memset(lists_.stepFlows, 0, lists_.stepFlowCount * sizeof(float));
    }
    void AddStepFlow(const Element& element, float kW) { AddStepFlow(element.Position, kW); }
    void AddStepFlow(int32_t position, float kW) {
        lists_.stepFlows[static_cast<size_t>(position)] += kW;
    }
    float StepFlow(const Element& element) const {
        return lists_.stepFlows[static_cast<size_t>(element.Position)];
    }
    std::span<const float> StepFlows() const { return {lists_.stepFlows, lists_.stepFlowCount}; }
    // Each step flow's element output code (ElementOutputByte of the
    // element's HBELCODE), laid right after the flows (Lay), so that filing
    // a step's results reads where each flow goes beside the flows rather
    // than in the element. Taken when an element is added and again by
    // NoteOutputCodes, when a run's results are opened (before anything is
    // filed); the plan of the heat-flow sums is made from them each time.
    std::span<const uint8_t> StepFlowCodes() const {
        return {reinterpret_cast<const uint8_t*>(lists_.stepFlows + lists_.stepFlowCount),
                lists_.stepFlowCount};
    }
    // Which step flows make up which heat-flow variable (HeatFlowSumPlan of
    // the codes), laid right after the codes; nullptr without elements.
    const uint16_t* StepFlowSumPlan() const {
        if (lists_.stepFlows == nullptr) return nullptr;
        const auto codesEnd =
            reinterpret_cast<uintptr_t>(StepFlowCodes().data() + lists_.stepFlowCount);
        return reinterpret_cast<const uint16_t*>((codesEnd + 1) & ~uintptr_t{1});
    }
    void NoteOutputCodes();

    // What each pass of a step works on, in reading order, sorted out by
    // PrepareRun at the start of a run once partitions are matched and the
    // elements' run values (UA) are set: a pass walks only its own elements
    // and does not ask every element again at every step what it is. The
    // accumulation step takes each coupling in a pass of its own; the
    // passes share no sum, so each sum still takes its terms in reading
    // order. Every pass walks paths: what it reads of each element, copied
    // here in a few dense lines instead of one or more lines of every
    // element's own object, which a step does not read.
    void PrepareRun();
    // An opaque element whose outside face takes the sun and sky, with the
    // step's sun on it.
    struct SunlitPath {
        const Surface* plane;
        const OpaqueConstruction* opaque;  // nullptr: the face takes no part in the zone's sums
        float area;
        // A light outside face (IOS 1) of some area: its term is scaled
        // from its outside surface to the circuit's outside node, by its
        // outside surface resistance over its area and the whole over it.
        float outside, total;
        bool scaled;
        float IRRAD;  // the step's
        int32_t position;
    };
    std::span<SunlitPath> SunlitOpaque() { return {lists_.sunlit, lists_.sunlitCount}; }
    std::span<const SunlitPath> SunlitOpaque() const { return {lists_.sunlit, lists_.sunlitCount}; }
    // A glazed element that takes the sun or passes it on into the zone,
    // with the step's sun on it.
    struct WindowPath {
        const Surface* plane;
        const GlazedConstruction* glazing;
        float area;
        float SRIn;
        int32_t planeIndex;  // PlaneIndex, the host's shading plane
        int16_t IOS;
        bool seesSky;   // Element::SeesTheSky
        bool passesOn;  // !HVWT: the sun it lets through reaches the zone
        Element::Sun sun;
        int32_t position;
    };
    std::span<WindowPath> Glazed() { return {lists_.windows, lists_.windowCount}; }
    std::span<const WindowPath> Glazed() const { return {lists_.windows, lists_.windowCount}; }
    // The sun the sun paths keep for the element at `position` (Element::StepSun).
    Element::Sun SunOf(int32_t position) const;
    // Fabric between the zone's circuit and the outside: where its flow is
    // kept (Element::Position) and its U·A, copied so that the pass reads
    // no element.
    struct FabricPath {
        int32_t position;
        float UA;
    };
    std::span<const FabricPath> LightFabric() const { return {lists_.fabric, lists_.lightFabric}; }
    std::span<const FabricPath> HeavyFabric() const {
        return {lists_.fabric + lists_.lightFabric, lists_.fabricCount - lists_.lightFabric};
    }
    // An air flow with what the accumulation step reads of it, copied like
    // the fabric paths: the pass reads no element.
    struct AirflowPath {
        Zone* from;              // AdjacentZone, the zone the air comes from (IOS 3)
        ProfileGroup* boundary;  // AdjacentPG, the boundary schedule (IOS 5)
        ProfileGroup* schedule;  // AirflowPG
        float KgPerSec;
        float OSCD;
        int32_t position;
        int16_t IOS;
        bool mechanicalSupply;
    };
    std::span<const AirflowPath> Airflows() const { return {lists_.airflows, lists_.airflowCount}; }
    // A partition with mass (HVWT) or without, with what the accumulation
    // step reads of it, copied; both kinds add to the zone's partition sums.
    // A partition with mass keeps its mass node's temperature here, the one
    // value of an element the step carries from one step to the next.
    struct PartitionPath {
        Zone* adjacent;          // AdjacentZone
        ProfileGroup* boundary;  // AdjacentPG (IOS 5)
        Zone* farZone;           // the matched other half's zone, nullptr without one
        float PartitionFarK, PartitionNearK, PartitionCapacity;  // with mass
        float UA;                                                // without
        float TMPart;                                            // with mass, °C
        int32_t position;
        int32_t farPosition;  // the other half's place in its zone's Elements
        int16_t IOS;
        bool HVWT;
    };
    std::span<PartitionPath> Partitions() { return {lists_.partitions, lists_.partitionCount}; }
    std::span<const PartitionPath> Partitions() const {
        return {lists_.partitions, lists_.partitionCount};
    }
    // Asks the memory system for the lines saying where the arrays above
    // are, and for the lines of the arrays themselves.
    void PrefetchStepLists() const { PrefetchRange(&lists_, &lists_ + 1); }
    void PrefetchStepArrays() const {
        const std::span<const std::byte> block = StepBlock();
        PrefetchRange(block.data(), block.data() + block.size());
    }
    // The block the step's arrays lie in: the step flows open it and the
    // partitions close it (Lay). Found from the step lists alone, which a
    // step reads anyway.
    std::span<const std::byte> StepBlock() const {
        return {reinterpret_cast<const std::byte*>(lists_.stepFlows),
                reinterpret_cast<const std::byte*>(lists_.partitions + lists_.partitionCount)};
    }
    // The mass temperature of the element at `position` (Element::TMPart).
    float PartitionTemperature(int32_t position) const;

    // ---- Report table of the zone's elements (output/).
    void GenerateReport(ReportFile& file) const;

  private:
    enum class Kind { Opaque, Glazed, Airflow };
    void ReadList(Kind kind);
    static SunlitPath SunlitPathOf(const Element& element);

    // What a step reads comes first: where each of the step's arrays starts
    // and how long it is, as a pointer and a 32-bit count, so that with the
    // zone's gains before them they take two cache lines. The step flows
    // come first, their output codes and the plan of their sums straight
    // after them: with the gains they are all the filing of a step's results
    // reads here. The end of the light fabric is kept here alone.
    struct StepLists {
        float* stepFlows = nullptr;
        uint32_t stepFlowCount = 0;
        uint32_t sunlitCount = 0;
        SunlitPath* sunlit = nullptr;
        WindowPath* windows = nullptr;
        const FabricPath* fabric = nullptr;
        const AirflowPath* airflows = nullptr;
        PartitionPath* partitions = nullptr;
        uint32_t windowCount = 0;
        uint32_t fabricCount = 0;
        uint32_t lightFabric = 0;
        uint32_t airflowCount = 0;
        uint32_t partitionCount = 0;
    };
    StepLists lists_;
    // The step's arrays, one after another in the order a step reads them,
    // in one block that starts on a cache line: a zone's step flows and
    // paths take the lines their bytes fill, not a line or more each.
    std::vector<std::byte, CacheLineAllocator<std::byte>> block_;
    // Lays the arrays given out in a new block (they may lie in the old one)
    // and points the step lists at them.
    struct StepArrays {
        std::span<const float> stepFlows;
        std::span<const uint8_t> stepFlowCodes;  // as many as the flows
        std::span<const SunlitPath> sunlit;
        std::span<const WindowPath> windows;
        std::span<const FabricPath> fabric;  // light, then heavy
        uint32_t lightFabric;
        std::span<const AirflowPath> airflows;
        std::span<const PartitionPath> partitions;
    };
    void Lay(const StepArrays& arrays);
    StepArrays Arrays() const;
    EngineState& state_;
    Zone& zone_;
    std::vector<std::unique_ptr<Element>> items_;
};

}  // namespace kz7
