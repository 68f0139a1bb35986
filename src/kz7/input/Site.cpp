#include "kz7/input/Site.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "kz7/engine/EngineState.h"
#include "kz7/export/NCMData.h"
#include "kz7/input/Options.h"
#include "kz7/input/RecordProblem.h"
#include "kz7/model/Building.h"
#include "kz7/model/GlazedConstruction.h"
#include "kz7/model/Louvre.h"
#include "kz7/model/OpaqueConstruction.h"
#include "kz7/model/OpaqueMaterial.h"
#include "kz7/model/Profile.h"
#include "kz7/model/ProfileGroup.h"
#include "kz7/model/RenewablesCosts.h"
#include "kz7/model/ShadingCosts.h"
#include "kz7/model/Zone.h"
#include "kz7/thermal/Plant.h"
#include "kz7/weather/Location.h"
#include "kz7/weather/Weather.h"

namespace kz7 {

namespace {

struct KeywordReader {
    std::string_view keyword;
    void (*read)(EngineState& state, XmlElement tiConstructions);
};

// Every record of a model document and the reader that owns it. Keywords
// match exactly (case-sensitive).
constexpr std::array kModelReaders = {
    KeywordReader{"Site", [](EngineState& s, XmlElement) { s.site->ReadSite(); }},
    KeywordReader{"SBEMWindGenerators",
                  [](EngineState& s, XmlElement) { s.ncm->ReadWindGenerator(); }},
    KeywordReader{"SBEMPVS", [](EngineState& s, XmlElement) { s.ncm->ReadPVSystems(); }},
    KeywordReader{"SBEMCHP", [](EngineState& s, XmlElement) { s.ncm->ReadCHP(); }},
    KeywordReader{"Building", [](EngineState& s, XmlElement) { s.building->Read(); }},
    KeywordReader{"Location", [](EngineState& s, XmlElement) { s.location->Read(); }},
    KeywordReader{"HeatLossWeather", [](EngineState& s, XmlElement) { s.weather->ReadHeatLoss(); }},
    KeywordReader{"HeatGainWeather", [](EngineState& s, XmlElement) { s.weather->ReadHeatGain(); }},
    KeywordReader{"SimulationWeather",
                  [](EngineState& s, XmlElement) { s.weather->ReadSimulation(); }},
    KeywordReader{"Profile", [](EngineState& s, XmlElement) { s.profiles->Read(); }},
    KeywordReader{"ProfileGroup", [](EngineState& s, XmlElement) { s.profileGroups->Read(); }},
    KeywordReader{"OpaqueMaterial", [](EngineState& s, XmlElement) { s.opaqueMaterials->Read(); }},
    KeywordReader{"OpaqueConstruction",
                  [](EngineState& s, XmlElement c) { s.opaqueConstructions->Read(c); }},
    KeywordReader{"Louvre", [](EngineState& s, XmlElement) { s.louvres->Read(); }},
    KeywordReader{"GlazedConstruction",
                  [](EngineState& s, XmlElement) { s.glazedConstructions->Read(); }},
    KeywordReader{"Zone", [](EngineState& s, XmlElement) { s.zones->Read(); }},
    KeywordReader{"AdditionalHeater",
                  [](EngineState& s, XmlElement) { s.zones->ReadAdditionalHeater(); }},
    KeywordReader{"AdditionalCooler",
                  [](EngineState& s, XmlElement) { s.zones->ReadAdditionalCooler(); }},
    KeywordReader{"AdditionalSecondaryHeater",
                  [](EngineState& s, XmlElement) { s.zones->ReadAdditionalSecondaryHeater(); }},
    KeywordReader{"SBEMHVACSystem", [](EngineState& s, XmlElement) { s.ncm->ReadHVACSystems(); }},
    KeywordReader{"SBEMDHWSystem", [](EngineState& s, XmlElement) { s.ncm->ReadDHWSystems(); }},
    KeywordReader{"NCMRecommendations",
                  [](EngineState& s, XmlElement) { s.ncm->ReadRecommendations(); }},
    KeywordReader{"Boiler", [](EngineState& s, XmlElement) { s.plant->ReadBoiler(); }},
    KeywordReader{"Chiller", [](EngineState& s, XmlElement) { s.plant->ReadChiller(); }},
    KeywordReader{"Fans", [](EngineState& s, XmlElement) { s.plant->ReadFans(); }},
    KeywordReader{"HeaterDefinition",
                  [](EngineState& s, XmlElement) { s.plant->ReadHeaterDefinition(); }},
    KeywordReader{"CoolerDefinition",
                  [](EngineState& s, XmlElement) { s.plant->ReadCoolerDefinition(); }},
    KeywordReader{"DHW", [](EngineState& s, XmlElement) { s.plant->ReadDHW(); }},
    KeywordReader{"ShadingCosts", [](EngineState& s, XmlElement) { s.shadingCosts->Read(); }},
    KeywordReader{"RenewablesCosts", [](EngineState& s, XmlElement) { s.renewablesCosts->Read(); }},
    KeywordReader{"SimulationOptions", [](EngineState& s, XmlElement) { Options(s).Read(); }},
    KeywordReader{"DefaultZoneOutputOptions",
                  [](EngineState& s, XmlElement) { Options(s).ReadDefaultZoneOutputOptions(); }},
    KeywordReader{"PlantOutputOptions",
                  [](EngineState& s, XmlElement) { Options(s).ReadPlantOutputOptions(); }},
    KeywordReader{"SBEMSolarCollector",
                  [](EngineState& s, XmlElement) { s.ncm->ReadSolarCollectors(); }},
};

bool IsConstructionKeyword(std::string_view keyword) {
    return keyword == "Location" || keyword == "OpaqueMaterial" || keyword == "OpaqueConstruction";
}

std::string ReplaceCommaMark(std::string text) {
    return ReplaceAll(std::move(text), "&Comma", ",");
}

}  // namespace

bool IsModelKeyword(std::string_view keyword) {
    for (const KeywordReader& entry : kModelReaders)
        if (entry.keyword == keyword) return true;
    return false;
}

void Site::Read(XmlElement /*tiDoc*/, XmlElement tiConstructions) {
    ReadRecords(&Site::ReadModelRecord, tiConstructions, true);
}

void Site::ReadXMLConstruction(XmlElement /*tiDoc*/, XmlElement tiConstructions) {
    ReadRecords(&Site::ReadConstructionRecord, tiConstructions, false);
}

void Site::ReadRecords(RecordReader readRecord, XmlElement tiConstructions, bool reportUnknown) {
    LineReader& reader = state_.reader;
    // The lines after an unknown keyword are that record's own; one message
    // is enough for it.
    bool inUnknownRecord = false;
    while (true) {
        reader.NextLine();
        // A model is text; a zero byte means the document is something else,
        // and reading on would only turn its bytes into nonsense records.
        if (std::memchr(reader.CurrentLine().data(), '\0', reader.CurrentLine().size()) !=
            nullptr) {
            throw ModelReadError(reader.FileName() +
                                 " is not a model document: binary data at line " +
                                 std::to_string(reader.LineNumber()));
        }
        const std::string keyword = reader.NextString();
        if (keyword.empty()) {
            if (!reader.AtEnd()) ReportEarlyEnd();
            return;
        }
        const std::vector<std::string>& fields = reader.Fields();
        // An unknown keyword is named alone: what follows it is no known key.
        const bool keyed = fields.size() > 1 && IsModelKeyword(keyword);
        state_.record = {keyword, keyed ? fields[1] : std::string(), reader.LineNumber(),
                         reader.FileName()};
        if ((this->*readRecord)(keyword, tiConstructions)) {
            // The lines of a swallowed record follow, as if it were unknown.
            inUnknownRecord = ReportSwallowedRecord();
        } else if (reportUnknown && IsHostKeyword(keyword)) {
            inUnknownRecord = false;
        } else if (reportUnknown && !inUnknownRecord) {
            // Unknown keywords are skipped, and the user told.
            ReportUnknownKeyword(keyword);
            inUnknownRecord = true;
        }
    }
}

bool Site::IsHostKeyword(const std::string& keyword) const {
    const std::vector<std::string>& hostKeywords = state_.settings.hostKeywords;
    return std::find(hostKeywords.begin(), hostKeywords.end(), keyword) != hostKeywords.end();
}

void Site::ReportUnknownKeyword(const std::string& keyword) {
    std::vector<std::string_view> known;
    for (const KeywordReader& entry : kModelReaders) known.push_back(entry.keyword);
    for (const std::string& hostKeyword : state_.settings.hostKeywords)
        known.push_back(hostKeyword);
    const std::string nearest = NearestWord(keyword, known);
    ReportRecordProblem(state_,
                        "the keyword \"" + ShortText(keyword) + "\" is not known" +
                            (nearest.empty() ? "" : " (did you mean \"" + nearest + "\"?)") +
                            "; the record is skipped");
}

// A line whose first field is empty ends the document. Where lines follow
// it, that is more likely a stray comma than the end meant, so the user is
// told where reading stopped.
void Site::ReportEarlyEnd() {
    LineReader& reader = state_.reader;
    const int64_t line = reader.LineNumber();
    reader.NextLine();
    if (reader.AtEnd()) return;
    state_.ShowWarning("Line " + std::to_string(line) + " of " + reader.FileName() +
                       " has an empty first field, which ends the document: the lines after "
                       "it are not read");
}

// A record that lacks its closing line takes the next record's keyword line
// as its own: that record is lost, so the user is told.
bool Site::ReportSwallowedRecord() {
    const std::vector<std::string>& closing = state_.reader.Fields();
    if (closing.empty() || !IsModelKeyword(closing.front())) return false;
    ReportRecordProblem(state_, "its closing line is the keyword \"" + closing.front() +
                                    "\"; that record is skipped");
    return true;
}

bool Site::ReadModelRecord(std::string_view keyword, XmlElement tiConstructions) {
    for (const KeywordReader& entry : kModelReaders) {
        if (entry.keyword == keyword) {
            entry.read(state_, tiConstructions);
            return true;
        }
    }
    return false;
}

bool Site::ReadConstructionRecord(std::string_view keyword, XmlElement tiConstructions) {
    return IsConstructionKeyword(keyword) && ReadModelRecord(keyword, tiConstructions);
}

void Site::ReadSite() {
    ReadSiteTexts();
    ReadSiteValues();
    state_.reader.NextLine();  // closing line
}

void Site::ReadSiteTexts() {
    constexpr int32_t kTexts = 47;
    LineReader& reader = state_.reader;
    reader.NextLine();
    Texts.clear();
    for (int32_t field = 1; field <= kTexts; ++field) {
        std::string text = reader.NextString();
        if (field == 1) text = Trim(text);
        if (field == 2 && text == "Laundrette") text = "Launderette";
        if (field >= 3 && field <= 6) text = ReplaceCommaMark(std::move(text));
        Texts.push_back(std::move(text));
    }
}

void Site::ReadSiteValues() {
    LineReader& reader = state_.reader;
    reader.NextLine();
    Numbers.clear();
    Integers.clear();
    Details.clear();
    auto doubles = [&](int32_t count) {
        for (int32_t i = 0; i < count; ++i) Numbers.push_back(reader.NextDouble());
    };
    auto texts = [&](int32_t count) {
        for (int32_t i = 0; i < count; ++i) Details.push_back(reader.NextString());
    };
    doubles(3);
    Integers.push_back(reader.NextInteger());
    Integers.push_back(reader.NextInteger());
    texts(2);
    doubles(10);
    Details.push_back(ReplaceCommaMark(reader.NextString()));
    texts(4);
    reader.NextString();  // read and ignored
    texts(13);
    texts(1);
    for (int32_t i = 0; i < 6; ++i) {
        std::string text = Trim(reader.NextString());
        Details.push_back(text.empty() ? "0" : std::move(text));
    }
    texts(1);
}

}  // namespace kz7
