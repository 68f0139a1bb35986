#include "kz7/export/NCMData.h"

#include <array>
#include <cctype>

#include "kz7/engine/EngineState.h"
#include "kz7/export/SbemSyntax.h"
#include "kz7/export/WriteToFile.h"
#include "kz7/platform/NumberText.h"

namespace kz7 {

namespace {

using enum NCMValueKind;

// The property tables: the order of each table is the order of the fields
// on the record's data line.
constexpr std::array kHVACProperties = {
    NCMProperty{"TYPE", Text},           NCMProperty{"HEAT-SOURCE", Text},
    NCMProperty{"FUEL-TYPE", Text},      NCMProperty{"HEAT-GEN-SEFF", Number},
    NCMProperty{"COOL-FUEL-TYPE", Text}, NCMProperty{"COOL-GEN-SEER", Number},
    NCMProperty{"SFP", Number},          NCMProperty{"DUCT-LEAKAGE", Text},
    NCMProperty{"METERING", YesNo},
};
constexpr std::array kDHWProperties = {
    NCMProperty{"TYPE", Text},           NCMProperty{"FUEL-TYPE", Text},
    NCMProperty{"GEN-SEFF", Number},     NCMProperty{"STORAGE", YesNo},
    NCMProperty{"STORAGE-VOLUME", Number}, NCMProperty{"SECONDARY-CIRC", YesNo},
};
constexpr std::array kRecommendationProperties = {
    NCMProperty{"CATEGORY", Text},   NCMProperty{"CODE", Text},          NCMProperty{"TEXT", Text},
    NCMProperty{"CO2-IMPACT", Text}, NCMProperty{"PAYBACK", Text},       NCMProperty{"INCLUDE", YesNo},
};
constexpr std::array kPVProperties = {
    NCMProperty{"TYPE", Text},         NCMProperty{"AREA", Number},       NCMProperty{"ORIENTATION", Text},
    NCMProperty{"INCLINATION", Number}, NCMProperty{"VENTILATION", Text}, NCMProperty{"PEAK-POWER", Number},
};
constexpr std::array kSolarCollectorProperties = {
    NCMProperty{"AREA", Number},      NCMProperty{"ORIENTATION", Text},    NCMProperty{"INCLINATION", Number},
    NCMProperty{"EFFICIENCY", Number}, NCMProperty{"HEAT-LOSS-COEF", Number}, NCMProperty{"DHW-GENERATOR", Text},
};
constexpr std::array kWindProperties = {
    NCMProperty{"TERRAIN-TYPE", Text}, NCMProperty{"DIAMETER", Number},
    NCMProperty{"HUB-HEIGHT", Number}, NCMProperty{"POWER", Number},
};
constexpr std::array kCHPProperties = {
    NCMProperty{"FUEL-TYPE", Text},   NCMProperty{"ELEC-EFF", Number},
    NCMProperty{"HEAT-EFF", Number},  NCMProperty{"BUILDING-HEAT-PERCENT", Number},
};

constexpr NCMObjectKind kHVACKind{"SBEMHVACSystem", "HVAC-SYSTEM", kHVACProperties};
constexpr NCMObjectKind kDHWKind{"SBEMDHWSystem", "DHW-GENERATOR", kDHWProperties};
constexpr NCMObjectKind kRecommendationKind{"NCMRecommendations", "REC-USER", kRecommendationProperties};
constexpr NCMObjectKind kPVKind{"SBEMPVS", "PVS", kPVProperties};
constexpr NCMObjectKind kSolarCollectorKind{"SBEMSolarCollector", "SES", kSolarCollectorProperties};
constexpr NCMObjectKind kWindKind{"SBEMWindGenerators", "WIND-GENERATOR", kWindProperties};
constexpr NCMObjectKind kCHPKind{"SBEMCHP", "CHP-GENERATOR", kCHPProperties};

bool IsYes(std::string_view field) {
    std::string upper;
    for (char c : field) upper.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    return upper == "YES" || upper == "TRUE" || ParseLeadingNumber(field) == 1.0;
}

}  // namespace

std::string NCMValueText(NCMValueKind kind, std::string_view field) {
    switch (kind) {
        case Text: return SbemQuoted(field);
        case Number: return FormatPattern(ParseLeadingNumber(field), "0.000");
        case Integer: return std::to_string(RoundToInt32(ParseLeadingNumber(field)));
        case YesNo: return IsYes(field) ? "YES" : "NO";
    }
    return {};
}

void NCMObjects::Read() {
    LineReader& reader = state_.reader;
    auto object = std::make_unique<NCMObject>();
    object->Key = reader.NextString();
    reader.NextLine();
    for (size_t i = 0; i < kind_.properties.size(); ++i) object->Fields.push_back(reader.NextString());
    reader.NextLine();  // closing line
    const std::string record = std::string(kind_.recordKeyword) + " \"" + object->Key + "\"";
    if (reader.AtEnd()) state_.ShowError(record + " is cut off by the end of the file");
    if (object->Key.empty()) {
        state_.ShowError(record + " has no name and is skipped");
        return;
    }
    std::string key = object->Key;
    if (items_.Append(std::move(key), std::move(object)) == nullptr)
        state_.ShowError(record + " is given twice; the first one is kept");
}

void NCMObjects::SBEM(clsWriteToFile& writer) const {
    for (const NCMObject& object : items_) {
        writer.WriteData("");
        writer.WriteData(SbemHeader(object.Key, kind_.sbemKind));
        for (size_t i = 0; i < kind_.properties.size(); ++i) {
            const NCMProperty& property = kind_.properties[i];
            writer.WriteData(SbemProperty(property.keyword, NCMValueText(property.kind, object.Fields[i])));
        }
        writer.WriteData(kSbemObjectEnd);
    }
}

NCMData::NCMData(EngineState& state)
    : NCMHVACSystems(state, kHVACKind),
      NCMDHWSystems(state, kDHWKind),
      NCMRecommendations(state, kRecommendationKind),
      NCMPVSystems(state, kPVKind),
      NCMSolarCollectors(state, kSolarCollectorKind),
      NCMWindGenerator(state, kWindKind),
      NCMCHP(state, kCHPKind) {}

// The wind generator and the CHP are cleared as well: a model without them
// must not inherit the previous model's.
void NCMData::Clear() {
    NCMHVACSystems.Clear();
    NCMDHWSystems.Clear();
    NCMRecommendations.Clear();
    NCMPVSystems.Clear();
    NCMSolarCollectors.Clear();
    NCMWindGenerator.Clear();
    NCMCHP.Clear();
}

}  // namespace kz7
