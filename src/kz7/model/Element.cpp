#include "kz7/model/Element.h"

#include <cmath>

#include "kz7/engine/EngineState.h"
#include "kz7/input/RecordProblem.h"
#include "kz7/model/GlazedConstruction.h"
#include "kz7/model/OpaqueConstruction.h"
#include "kz7/model/ProfileGroup.h"
#include "kz7/model/Surface.h"
#include "kz7/model/Zone.h"
#include "kz7/output/HeatFlowSums.h"
#include "kz7/output/ResultVariables.h"
#include "kz7/platform/NumberText.h"

namespace kz7 {

namespace {

constexpr float kRadiansPerDegree = 0.017453292522222223f;
constexpr float kAirDensityTimesHour = 1.29f / 3600.0f;  // kg/m³ per s/h
constexpr float kGroundSROut = 0.01f;

bool NextFlag(LineReader& reader) {
    return reader.NextInteger() > 0;
}

// "<what> <code> in zone <key> <problem>", built by appending.
std::string ElementMessage(const char* what, const std::string& code, const std::string& zone,
                           const char* problem) {
    std::string text(what);
    text.append(" ").append(code).append(" in zone ").append(zone).append(" ").append(problem);
    return text;
}

}  // namespace

// ---- Reading ----

void Element::ReadGeometry(float clampFrom, float flatFrom) {
    LineReader& reader = state_.reader;
    ElementArea = reader.NextSingle();
    IOS = reader.NextInteger();
    const float orientationDegrees = reader.NextSingle();
    const float slopeDegrees = reader.NextSingle();
    Orientation = orientationDegrees * kRadiansPerDegree;
    Slope = slopeDegrees * kRadiansPerDegree;
    SlopeDegX = slopeDegrees;
    if (slopeDegrees >= flatFrom)
        SlopeDegX = 0.0f;
    else if (slopeDegrees > clampFrom)
        SlopeDegX = 90.0f;
    if (!(std::isfinite(ElementArea) && ElementArea >= 0.0f))
        ReportRecordProblem(state_,
                            ElementMessage("Element", ElCode, MyZone->Key, "has an invalid area"));
    if (IOS < 1 || IOS > 6)
        ReportRecordProblem(
            state_,
            ElementMessage("Element", ElCode, MyZone->Key, "has an invalid boundary code ") +
            std::to_string(IOS));
    Plane = &state_.surfaces->IFUNC(Orientation, Slope);
}

void Element::ReadBoundaryTail() {
    LineReader& reader = state_.reader;
    ZExtent = reader.NextSingle();
    HExtent = reader.NextSingle();
    ElemCount = RoundToInt32(reader.NextDouble());
}

void Element::ReadOpaqueBoundary() {
    LineReader& reader = state_.reader;
    auto adjacentZoneFields = [&] {
        RMID = reader.NextString();
        reader.NextString();
        reader.NextString();
        IsStronglyVentilated = NextFlag(reader);
        IsOtherZoneHeated = NextFlag(reader);
        IsOtherZoneSemiExterior = NextFlag(reader);
        CostSurfaceFinish = reader.NextDouble();
        ReadBoundaryTail();
    };
    switch (IOS) {
        case 1:
            PlaneIndex = RoundToInt32(reader.NextDouble());
            SBEMDoorType = reader.NextString();
            IsStronglyVentilated = NextFlag(reader);
            CostSurfaceFinish = reader.NextDouble();
            ReadBoundaryTail();
            SBEMSolarCollectorName = reader.NextString();
            SBEMSolarCollectorArea = reader.NextSingle();
            break;
        case 2:
            OffsetTemperature = reader.NextSingle();
            reader.NextString();
            SBEMDoorType = reader.NextString();
            IsStronglyVentilated = NextFlag(reader);
            reader.NextString();
            CostSurfaceFinish = reader.NextDouble();
            ReadBoundaryTail();
            break;
        case 3:
            adjacentZoneFields();
            break;
        case 5:
            AdjacentPG = state_.profileGroups->Item(reader.NextString());
            SROut = kGroundSROut;
            reader.NextString();
            reader.NextString();
            IsStronglyVentilated = NextFlag(reader);
            reader.NextString();
            CostSurfaceFinish = reader.NextDouble();
            ReadBoundaryTail();
            break;
        case 6:
            PlaneIndex = RoundToInt32(reader.NextDouble());
            adjacentZoneFields();
            break;
        default:
            break;
    }
}

void Element::InitAsOpaque() {
    LineReader& reader = state_.reader;
    ElCode = reader.CurrentString();
    const std::string key = reader.NextString();
    Opaque = state_.opaqueConstructions->Item(key);
    if (Opaque == nullptr) {
        ReportRecordProblem(state_, "Missing construction " + key + " in " + MyZone->Description);
        return;
    }
    ConnectObject = Opaque;
    Opaque->IsUsed = true;
    SRIn = static_cast<float>(Opaque->SRIn);
    SROut = static_cast<float>(Opaque->SROut);
    ReadGeometry(90.0f, 180.0f);
    ReadOpaqueBoundary();
    if (Opaque->UValue > 0.0) RESEL = static_cast<float>(1.0 / Opaque->UValue - SROut - SRIn);
    HVWT = Opaque->HVWT;
    FinishInit();
}

void Element::ReadGlazingBoundary() {
    LineReader& reader = state_.reader;
    const bool v5 = state_.settings.isV5 || state_.settings.isV5F;
    switch (IOS) {
        case 1:
            PlaneIndex = RoundToInt32(reader.NextDouble());
            ShadingSystem = reader.NextString();
            ShadingCoeff = reader.NextSingle();
            IsDisplay = reader.NextString() == "True";
            SurfaceAreaRatio = reader.NextSingle();
            ShadingPosition = reader.NextString();
            ShadingColour = reader.NextString();
            ShadingTx = reader.NextSingle();
            ShadingBrise = reader.NextString();
            SBEMRoofLightCover = reader.NextString();
            if (!v5 && ShadingSystem.empty()) ShadingSystem = "All other cases";
            if (v5 && ShadingPosition.empty()) ShadingPosition = "None (no shading)";
            break;
        case 2:
            OffsetTemperature = reader.NextSingle();
            PlaneIndex = -1;
            break;
        case 3:
            RMID = reader.NextString();
            PlaneIndex = -1;
            break;
        case 5:
            AdjacentPG = state_.profileGroups->Item(reader.NextString());
            PlaneIndex = -1;
            break;
        case 6:
            PlaneIndex = RoundToInt32(reader.NextDouble());
            RMID = reader.NextString();
            break;
        default:
            break;  // reported with the geometry
    }
    ReadBoundaryTail();
}

void Element::InitAsGlazing() {
    LineReader& reader = state_.reader;
    ElCode = reader.CurrentString();
    const std::string key = reader.NextString();
    Glazing = state_.glazedConstructions->Item(key);
    // A glazing that names no known construction is reported like an
    // opaque one and left without further fields, instead of failing the read.
    if (Glazing == nullptr) {
        ReportRecordProblem(state_,
                            "Missing glazed construction " + key + " in " + MyZone->Description);
        return;
    }
    ConnectObject = Glazing;
    Glazing->IsUsed = true;
    SRIn = Glazing->SRIn;
    SROut = Glazing->SROut;
    ReadGeometry(90.0f, 179.0f);
    ReadGlazingBoundary();
    if (Glazing->UValue > 0.0f) RESEL = 1.0f / Glazing->UValue - SROut - SRIn;
    HVWT = false;
    FinishInit();
}

void Element::InitAsAirflow() {
    LineReader& reader = state_.reader;
    ElCode = reader.CurrentString();
    HVWT = false;
    AirflowPG = state_.profileGroups->Item(reader.NextString());
    AirflowRate = reader.NextSingle();
    ElementArea = 0.0f;
    KgPerSec = MyZone->Volume * AirflowRate * kAirDensityTimesHour;
    IOS = reader.NextInteger();
    if (IOS == 2) {
        OSCD = reader.NextSingle();
    } else if (IOS == 3) {
        RMID = reader.NextString();
        if (RMID == MyZone->Key) IOS = 4;  // air moving within the zone
    } else if (IOS == 5) {
        AdjacentPG = state_.profileGroups->Item(reader.NextString());
    }
    if (!std::isfinite(AirflowRate) || AirflowRate < 0.0f)
        state_.ShowError(ElementMessage("Airflow", ElCode, MyZone->Key, "has an invalid rate"));
    FinishInit();
}

void Element::FinishInit() {
    SetRMOG(RMOG);
    kind_ = RMOG[0];
    mechanicalSupply_ = ElCode == "M";
    HBELCODE = ElementOutputCode(ElCode);
    int32_t ignored = 0;
    SetExclude(ignored);
}

// ---- Classification ----

void Element::SetRMOG(std::string& code) {
    char kind = 'O';
    if (ElCode == "G" || ElCode == "L")
        kind = 'G';
    else if (ElCode == "V" || ElCode == "I" || ElCode == "M" || ElCode == "A")
        kind = 'A';
    else if (ElCode == "O")
        kind = 'o';
    code.assign(1, kind);
}

void Element::SetExclude(int32_t& result) {
    std::string kind;
    SetRMOG(kind);
    Exclude = kind == "A" || IOS == 3 || IOS == 5 || IOS == 6;
    result = 0;
}

std::string Element::GetElementType() const {
    static constexpr std::pair<const char*, const char*> kTypes[] = {
        {"G", "Glazing"},
        {"W", "Wall"},
        {"C", "Ceiling"},
        {"F", "Floor"},
        {"S", "Ground floor"},
        {"P", "Partition"},
        {"R", "Roof"},
        {"L", "Rooflight"},
        {"D", "Door"},
        {"O", "Opening"},
        {"A", "Airflow"},
        {"E", "External floors"},
        {"V", "Natural ventilation"},
        {"M", "Mechanical ventilation"},
        {"I", "Infiltration"}};
    for (const auto& [code, name] : kTypes)
        if (ElCode == code) return name;
    return {};
}

bool Element::IsSubStructure() const {
    const float slopeDegrees = Slope / kRadiansPerDegree;
    return ElCode == "S" && IOS == 5 && std::fabs(slopeDegrees - 180.0f) < 10.0f;
}

// ---- Run state ----

void Element::InitSimulation() {
    UA = ConstructionUValue() * ElementArea;
    if (HVWT && Opaque != nullptr) {
        const float split = Opaque->RES2(1);
        const float layers = Opaque->RES2(2);
        PartitionFarK = ElementArea / (split * layers + SROut);
        PartitionNearK = ElementArea / ((1.0f - split) * layers + SRIn);
        PartitionCapacity = Opaque->CW * ElementArea;
    }
}

float Element::ConstructionUValue() const {
    if (Opaque != nullptr) return static_cast<float>(Opaque->UValue);
    if (Glazing != nullptr) return Glazing->UValue;
    return 0.0f;
}

// ---- Element lists ----

void Elements::Add(std::unique_ptr<Element> element) {
    element->Position = Count();
    items_.push_back(std::move(element));
    StepArrays arrays = Arrays();
    std::vector<float> flows(arrays.stepFlows.begin(), arrays.stepFlows.end());
    flows.push_back(0.0f);
    arrays.stepFlows = flows;
    std::vector<uint8_t> codes(arrays.stepFlowCodes.begin(), arrays.stepFlowCodes.end());
    codes.push_back(ElementOutputByte(items_.back()->HBELCODE));
    arrays.stepFlowCodes = codes;
    Lay(arrays);
}

void Elements::NoteOutputCodes() {
    auto* codes = reinterpret_cast<uint8_t*>(lists_.stepFlows + lists_.stepFlowCount);
    for (const auto& element : items_)
        if (static_cast<uint32_t>(element->Position) < lists_.stepFlowCount)
            codes[element->Position] = ElementOutputByte(element->HBELCODE);
    Lay(Arrays());  // the sum plan follows the codes
}

Elements::StepArrays Elements::Arrays() const {
    return {StepFlows(),
            StepFlowCodes(),
            SunlitOpaque(),
            Glazed(),
            {lists_.fabric, lists_.fabricCount},
            lists_.lightFabric,
            Airflows(),
            Partitions()};
}

namespace {
// Where an array of `count` T goes in a block `size` bytes long so far.
template <typename T>
size_t PlaceIn(size_t& size, size_t count) {
    const size_t at = (size + alignof(T) - 1) / alignof(T) * alignof(T);
    size = at + count * sizeof(T);
    return at;
}
// Copies `from` into `block` at `at` as objects of their own.
template <typename T>
T* CopyInto(std::byte* block, size_t at, std::span<const T> from) {
    return std::uninitialized_copy(from.begin(), from.end(), reinterpret_cast<T*>(block + at)) -
           from.size();
}
}  // namespace

// In the order a step reads them; the partitions close the block
// (StepBlock takes its end from them).
void Elements::Lay(const StepArrays& arrays) {
    size_t size = 0;
    const size_t stepFlows = PlaceIn<float>(size, arrays.stepFlows.size());
    const size_t stepFlowCodes = PlaceIn<uint8_t>(size, arrays.stepFlowCodes.size());
    const std::vector<uint16_t> flowSumPlan = HeatFlowSumPlan(arrays.stepFlowCodes);
    const size_t stepFlowSumPlan = PlaceIn<uint16_t>(size, flowSumPlan.size());
    const size_t sunlit = PlaceIn<SunlitPath>(size, arrays.sunlit.size());
    const size_t windows = PlaceIn<WindowPath>(size, arrays.windows.size());
    const size_t fabric = PlaceIn<FabricPath>(size, arrays.fabric.size());
    const size_t airflows = PlaceIn<AirflowPath>(size, arrays.airflows.size());
    const size_t partitions = PlaceIn<PartitionPath>(size, arrays.partitions.size());
    decltype(block_) block(size);
    std::byte* at = block.data();
    const auto count = [](const auto& array) { return static_cast<uint32_t>(array.size()); };
    lists_.stepFlows = CopyInto(at, stepFlows, arrays.stepFlows);
    lists_.stepFlowCount = count(arrays.stepFlows);
    CopyInto(at, stepFlowCodes, arrays.stepFlowCodes);  // right after the flows: StepFlowCodes
    CopyInto(at, stepFlowSumPlan, std::span<const uint16_t>(flowSumPlan));  // then StepFlowSumPlan
    lists_.sunlit = CopyInto(at, sunlit, arrays.sunlit);
    lists_.sunlitCount = count(arrays.sunlit);
    lists_.windows = CopyInto(at, windows, arrays.windows);
    lists_.windowCount = count(arrays.windows);
    lists_.fabric = CopyInto(at, fabric, arrays.fabric);
    lists_.fabricCount = count(arrays.fabric);
    lists_.lightFabric = arrays.lightFabric;
    lists_.airflows = CopyInto(at, airflows, arrays.airflows);
    lists_.airflowCount = count(arrays.airflows);
    lists_.partitions = CopyInto(at, partitions, arrays.partitions);
    lists_.partitionCount = count(arrays.partitions);
    block_ = std::move(block);
}

void Elements::PrepareRun() {
    using Coupling = Element::Coupling;
    std::vector<SunlitPath> sunlit;
    std::vector<WindowPath> windows;
    std::vector<FabricPath> fabric, heavy;
    std::vector<AirflowPath> airflows;
    std::vector<PartitionPath> partitions;
    for (const auto& item : items_) {
        Element* element = item.get();
        const bool sky = element->SeesTheSky();
        if (sky && element->Kind() == 'O') sunlit.push_back(SunlitPathOf(*element));
        // The blocked half of a glazed pair passes on only the sun its own face takes.
        if (element->Kind() == 'G' && (sky || (!element->Blocked && !element->HVWT)))
            windows.push_back({element->Plane,
                               element->Glazing,
                               element->ElementArea,
                               element->SRIn,
                               element->PlaneIndex,
                               element->IOS,
                               sky,
                               !element->HVWT,
                               {},
                               element->Position});
        switch (element->StepCoupling()) {
            case Coupling::LightFabric:
                fabric.push_back({element->Position, element->UA});
                break;
            case Coupling::HeavyFabric:
                heavy.push_back({element->Position, element->UA});
                break;
            case Coupling::Airflow:
                airflows.push_back({element->AdjacentZone, element->AdjacentPG, element->AirflowPG,
                                    element->KgPerSec, element->OSCD, element->Position,
                                    element->IOS, element->IsMechanicalSupply()});
                break;
            case Coupling::MassPartition:
                // Without a construction the mass has nothing to hold.
                if (element->Opaque == nullptr) break;
                [[fallthrough]];
            case Coupling::LightPartition: {
                const Element* far = element->OtherElement;
                partitions.push_back(
                    {element->AdjacentZone, element->AdjacentPG,
                     far != nullptr ? far->MyZone : nullptr, element->PartitionFarK,
                     element->PartitionNearK, element->PartitionCapacity, element->UA,
                     state_.clock.initialTemperature, element->Position,
                     far != nullptr ? far->Position : 0, element->IOS, element->HVWT});
                break;
            }
            case Coupling::None:
                break;
        }
    }
    const auto lightFabric = static_cast<uint32_t>(fabric.size());
    fabric.insert(fabric.end(), heavy.begin(), heavy.end());
    Lay({StepFlows(), StepFlowCodes(), sunlit, windows, fabric, lightFabric, airflows, partitions});
}

Elements::SunlitPath Elements::SunlitPathOf(const Element& element) {
    const float area = element.ElementArea;
    SunlitPath path{element.Plane, element.Opaque, area, 0.0f, 0.0f, false, 0.0f, element.Position};
    if (!element.HVWT && element.IOS == 1 && area > 0.0f) {
        path.scaled = true;
        path.outside = element.SROut / area;
        path.total = path.outside + (element.RESEL + element.SRIn) / area;
    }
    return path;
}

Element::Sun Elements::SunOf(int32_t position) const {
    for (const SunlitPath& face : SunlitOpaque())
        if (face.position == position) return {face.IRRAD, 0.0f, 0.0f};
    for (const WindowPath& window : Glazed())
        if (window.position == position) return window.sun;
    return {};
}

Element::Sun Element::StepSun() const {
    return MyZone->elements.SunOf(Position);
}

float Elements::PartitionTemperature(int32_t position) const {
    for (const PartitionPath& partition : Partitions())
        if (partition.position == position && partition.HVWT) return partition.TMPart;
    return state_.clock.initialTemperature;
}

float Element::TMPart() const { return MyZone->elements.PartitionTemperature(Position); }

float Element::StepFlowKW() const {
    return MyZone->elements.StepFlow(*this);
}

void Elements::ReadList(Kind kind) {
    LineReader& reader = state_.reader;
    while (true) {
        reader.NextLine();
        if (reader.AtEnd()) {
            state_.ShowError("Elements of zone " + zone_.Key +
                             " are cut off by the end of the file");
            return;
        }
        const std::string first = reader.NextString();
        if (first == "}" || zone_.EndsListWithoutClose(first, "elements")) return;
        auto element = std::make_unique<Element>(state_, zone_);
        switch (kind) {
            case Kind::Opaque:
                element->InitAsOpaque();
                // An adiabatic element without mass takes no part in the zone.
                if (!element->HVWT && element->IOS == 4) continue;
                break;
            case Kind::Glazed:
                element->InitAsGlazing();
                break;
            case Kind::Airflow:
                element->InitAsAirflow();
                break;
        }
        Add(std::move(element));
    }
}

void Elements::ReadOpaqueElements() {
    ReadList(Kind::Opaque);
}
void Elements::ReadGlazedElements() {
    ReadList(Kind::Glazed);
}
void Elements::ReadAirflowElements() {
    ReadList(Kind::Airflow);
}

}  // namespace kz7
