// Reading the "Zone" record and the records that add to an existing zone.
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "kz7/engine/EngineState.h"
#include "kz7/input/RecordProblem.h"
#include "kz7/model/Zone.h"
#include "kz7/platform/NumberText.h"

namespace kz7 {

namespace {

std::string SingleAsText(LineReader& reader) {
    return NumberToText(reader.NextSingle());
}

// Skips the data line and closing line of a sub-record that cannot be used.
void SkipEmitterRecord(LineReader& reader) {
    reader.NextLine();
    reader.NextLine();
}

// The sub-records of a zone, by the keyword of their first line.
struct SubRecordReader {
    std::string_view keyword;
    void (*read)(Zone& zone);
};
constexpr SubRecordReader kSubRecordReaders[] = {
    {"OpaqueElements", [](Zone& zone) { zone.elements.ReadOpaqueElements(); }},
    {"GlazedElements", [](Zone& zone) { zone.elements.ReadGlazedElements(); }},
    {"AirflowElements", [](Zone& zone) { zone.elements.ReadAirflowElements(); }},
    {"Gains",
     [](Zone& zone) {
         zone.gains.Read();
         zone.ComfortPG = zone.gains.GetOccupancyProfileGroup();
     }},
    {"Heater", [](Zone& zone) { zone.HeaterOrNew().Read(); }},
    {"Cooler", [](Zone& zone) { zone.CoolerOrNew().Read(); }},
    {"SecondaryHeater", [](Zone& zone) { zone.SecondaryHeaterOrNew().Read(); }},
    {"SecondaryCooler", [](Zone& zone) { zone.SecondaryCoolerOrNew().Read(); }},
    {"SBEMDHW", [](Zone& zone) { zone.ReadSBEMDHW(); }},
    {"SBEMHVAC", [](Zone& zone) { zone.ReadSBEMHVAC(); }},
    {"SBEMZonalHVAC", [](Zone& zone) { zone.ReadSBEMZonalHVAC(); }},
    {"SBEMGlobalPSIValues", [](Zone& zone) { zone.ReadSBEMGlobalPSIValues(); }},
    {"SBEMLighting", [](Zone& zone) { zone.ReadSBEMLighting(); }},
    {"OutputOptions", [](Zone& zone) { zone.ReadOptions(); }},
};

const SubRecordReader* FindSubRecordReader(std::string_view keyword) {
    for (const SubRecordReader& entry : kSubRecordReaders)
        if (entry.keyword == keyword) return &entry;
    return nullptr;
}

// A line of a zone that starts no sub-record is skipped. The first of a run
// of them is reported: most often a sub-record's keyword mistyped, after
// which its data lines, and the closing line that then ends the zone, are
// taken as lines of the zone.
void ReportUnknownSubRecord(EngineState& state, const std::string& keyword) {
    std::vector<std::string_view> known;
    for (const SubRecordReader& entry : kSubRecordReaders) known.push_back(entry.keyword);
    const std::string nearest = NearestWord(keyword, known);
    ReportRecordProblem(state, "\"" + ShortText(keyword) + "\" starts no sub-record of a zone" +
                                   (nearest.empty() ? "" : " (did you mean \"" + nearest + "\"?)") +
                                   "; the line is skipped, and a \"}\" after it ends the zone");
}

}  // namespace

void Zone::Read() {
    LineReader& reader = state_.reader;
    Key = reader.NextString();
    reader.NextLine();
    Description = CleanName(reader.RestOfLine());

    reader.NextLine();
    FloorArea = reader.NextSingle();
    Volume = reader.NextSingle();
    SolarLost = reader.NextSingle();
    LightM = reader.NextSingle();
    PerimeterArea = reader.NextSingle();
    SBEMActivityId = reader.NextInteger();
    SBEMActivityName = reader.NextString();
    SBEMZoneMultiplier = reader.NextInteger();  // clamped like every integer field
    NumberSBEMCorners = reader.NextSingle();
    KlimaExportValue = reader.NextSingle();
    KlimaNumberPeople = reader.NextDouble();
    SBEMExportText1 = reader.NextString();
    ZoneHeight = reader.NextDouble();
    for (std::string& value : SBEMExportValues) value = SingleAsText(reader);
    SBEMExportText2 = reader.NextString();
    SBEMExportValue4 = SingleAsText(reader);

    reader.NextLine();
    KlimaIsHeated = reader.NextInteger() == 1;
    KlimaHeatingSetPointTemperature = reader.NextSingle();
    reader.NextLine();
    KlimaIsCooled = reader.NextInteger() == 1;
    KlimaCoolingSetPointTemperature = reader.NextSingle();
    ComfortLowerLimit = 16.0f;
    ComfortUpperLimit = 26.0f;

    if (state_.settings.isV5 || state_.settings.isV5F) {
        reader.NextLine();
        for (std::string& text : ListTexts) text = reader.NextString();
        if (ListTexts[0] == "-")
            ListTexts = {};
        else
            for (std::string& text : ListTexts) text = ReplaceAll(text, "#", ",");
    }

    if (!(std::isfinite(Volume) && Volume >= 0.0f) ||
        !(std::isfinite(FloorArea) && FloorArea >= 0.0f))
        ReportRecordProblem(state_, "Zone " + Key + " has an invalid floor area or volume");

    bool afterUnknownLine = false;
    while (true) {
        reader.NextLine();
        if (reader.AtEnd()) {
            state_.ShowError("Zone " + Key + " is cut off by the end of the file");
            break;
        }
        const std::string keyword = reader.NextString();
        if (keyword == "}") break;
        const SubRecordReader* subRecord = FindSubRecordReader(keyword);
        if (subRecord != nullptr)
            subRecord->read(*this);
        else if (!afterUnknownLine)
            ReportUnknownSubRecord(state_, keyword);
        afterUnknownLine = subRecord == nullptr;
    }
    if (elements.Count() == 0)
        ReportRecordProblem(state_, "Zone " + Key + " has no elements", Severity::Error, true);
}

bool Zone::EndsListWithoutClose(const std::string& keyword, const char* list) {
    if (FindSubRecordReader(keyword) == nullptr) return false;
    ReportRecordProblem(state_, std::string("the ") + list + " of zone " + Key +
                                    " have no closing \"}\": they end before \"" + keyword +
                                    "\", which is read as the zone's next sub-record");
    state_.reader.PushBack();
    return true;
}

void Zone::ReadOptions() {
    LineReader& reader = state_.reader;
    for (auto& group : Outputs) {
        reader.NextLine();
        for (int16_t& selected : group) selected = reader.NextInteger() != 0 ? 1 : 0;
    }
    reader.NextLine();
    if (reader.AtEnd())
        state_.ShowError("Output options of zone " + Key + " are cut off by the end of the file");
    HasOwnOutputOptions = true;
}

// The SBEM sub-records are one line each: the keyword, then the fields.
void Zone::ReadSBEMHVAC() {
    SBEM.HVACSystem = state_.reader.NextString();
}

void Zone::ReadSBEMDHW() {
    LineReader& reader = state_.reader;
    SBEM.DHWSystem = reader.NextString();
    SBEM.DHWDemandOverride = reader.NextSingle();
}

void Zone::ReadSBEMZonalHVAC() {
    LineReader& reader = state_.reader;
    SBEM.HasZonalHVAC = true;
    SBEM.VentilationType = reader.NextString();
    SBEM.SpecificFanPower = reader.NextSingle();
    SBEM.HeatRecoveryType = reader.NextString();
    SBEM.HeatRecoveryEfficiency = reader.NextSingle();
    SBEM.DemandControl = reader.NextString();
}

void Zone::ReadSBEMGlobalPSIValues() {
    LineReader& reader = state_.reader;
    SBEM.PsiValues.clear();
    while (true) {
        const float value = reader.NextSingle();
        if (reader.AtEnd()) break;
        SBEM.PsiValues.push_back(value);
    }
}

void Zone::ReadSBEMLighting() {
    LineReader& reader = state_.reader;
    SBEM.HasLighting = true;
    SBEM.LightingType = reader.NextString();
    SBEM.LightingEfficacy = reader.NextSingle();
    SBEM.LightingPowerDensity = reader.NextSingle();
    SBEM.OccupancyControl = reader.NextString();
    SBEM.DaylightControl = reader.NextString();
    SBEM.ConstantIlluminance = reader.NextInteger() == 1;
}

kz7::Heater& Zone::HeaterOrNew() {
    if (!Heater) Heater = std::make_unique<kz7::Heater>(state_, *this);
    return *Heater;
}
kz7::Cooler& Zone::CoolerOrNew() {
    if (!Cooler) Cooler = std::make_unique<kz7::Cooler>(state_, *this);
    return *Cooler;
}
kz7::SecondaryHeater& Zone::SecondaryHeaterOrNew() {
    if (!SecondaryHeater) SecondaryHeater = std::make_unique<kz7::SecondaryHeater>(state_);
    return *SecondaryHeater;
}
kz7::SecondaryCooler& Zone::SecondaryCoolerOrNew() {
    if (!SecondaryCooler) SecondaryCooler = std::make_unique<kz7::SecondaryCooler>(state_);
    return *SecondaryCooler;
}

std::optional<double> Zone::Member(std::string_view name, int32_t /*index*/) const {
    if (name == "SIGKTP") return step.SIGKTP;
    if (name == "SIGKP") return step.SIGKP;
    if (name == "Ta2") return step.Ta2;
    if (name == "Te2") return step.Te2;
    return std::nullopt;
}

// ---- The zone set ----

void Zones::Read() {
    auto zone = std::make_unique<Zone>(state_);
    zone->Outputs = defaultOutputs_;
    zone->Read();
    const std::string key = zone->Key;
    state_.recordOrigins.Note(state_, key, items_.Append(key, std::move(zone)) != nullptr);
}

Zone* Zones::AdditionalEmitterZone(const char* record) {
    const std::string key = state_.reader.NextString();
    Zone* zone = items_.Find(key);
    if (zone == nullptr) {
        state_.ShowError(std::string(record) + " names zone " + key + ", which does not exist");
        SkipEmitterRecord(state_.reader);
    }
    return zone;
}

void Zones::ReadAdditionalHeater() {
    if (Zone* zone = AdditionalEmitterZone("AdditionalHeater")) zone->HeaterOrNew().Read();
}

void Zones::ReadAdditionalCooler() {
    if (Zone* zone = AdditionalEmitterZone("AdditionalCooler")) zone->CoolerOrNew().Read();
}

void Zones::ReadAdditionalSecondaryHeater() {
    if (Zone* zone = AdditionalEmitterZone("AdditionalSecondaryHeater"))
        zone->SecondaryHeaterOrNew().Read();
}

void Zones::SetDefaultOutputOptions(const Zone::OutputSelection& matrix) {
    defaultOutputs_ = matrix;
    for (Zone& zone : items_)
        if (!zone.HasOwnOutputOptions) zone.Outputs = matrix;
}

int32_t Zones::CheckReferences() const {
    int32_t missing = 0;
    for (Zone& zone : items_) {
        for (const auto& element : zone.elements) {
            if ((element->IOS == 3 || element->IOS == 6) && !element->RMID.empty() &&
                !items_.Contains(element->RMID)) {
                // Checked once every zone is read, so named by its zone's record.
                const std::string place = state_.recordOrigins.PlaceOf("Zone", zone.Key);
                state_.ShowError((place.empty() ? "" : place + ": ") + "Element " +
                                 element->ElCode + " of zone " + zone.Key + " names zone " +
                                 element->RMID + ", which does not exist");
                ++missing;
            }
        }
    }
    return missing;
}

}  // namespace kz7
