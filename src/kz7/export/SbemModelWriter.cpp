#include "kz7/export/SbemModelWriter.h"

#include <array>
#include <cctype>
#include <chrono>
#include <cmath>
#include <ctime>
#include <optional>
#include <span>

#include "kz7/engine/EngineState.h"
#include "kz7/export/NCMData.h"
#include "kz7/export/SbemSiteObjects.h"
#include "kz7/export/SbemSyntax.h"
#include "kz7/export/WriteToFile.h"
#include "kz7/input/Site.h"
#include "kz7/model/Element.h"
#include "kz7/model/GlazedConstruction.h"
#include "kz7/model/OpaqueConstruction.h"
#include "kz7/model/Zone.h"
#include "kz7/platform/NumberText.h"

namespace kz7 {

namespace {

constexpr float kDegreesPerRadian = 1.0f / 0.017453292522222223f;

// What the project and compliance values are taken from.
struct SbemSource {
    const Site& site;
    const SbemRunParameters& parameters;
    const ProcessSettings& settings;
    float floorArea;
    float volume;

    // Site text n (1-based); empty when the site record had fewer.
    const std::string& Text(size_t n) const { return Pick(site.Texts, n - 1); }
    // Text i (0-based) of the site's line of numbers and texts.
    const std::string& Detail(size_t i) const { return Pick(site.Details, i); }

  private:
    static const std::string& Pick(const std::vector<std::string>& texts, size_t i) {
        static const std::string kEmpty;
        return i < texts.size() ? texts[i] : kEmpty;
    }
};

using Value = std::optional<std::string>;

struct SbemRow {
    const char* keyword;
    Value (*value)(const SbemSource&);
};

std::string Upper(std::string_view text) {
    std::string upper;
    for (char c : text) upper.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    return upper;
}

bool IsYes(std::string_view text) {
    const std::string upper = Upper(text);
    return upper == "YES" || upper == "TRUE" || ParseLeadingNumber(text) == 1.0;
}

std::string YesNo(bool yes) { return yes ? "YES" : "NO"; }
Value Quoted(std::string_view text) { return SbemQuoted(text); }
Value NumberText(std::string_view text, std::string_view pattern = "0.000") {
    return FormatPattern(ParseLeadingNumber(text), pattern);
}
Value WholeNumber(std::string_view text) { return std::to_string(RoundToInt32(ParseLeadingNumber(text))); }
// A value written only when the flag text says yes.
Value OnlyWhenYes(std::string_view text) { return IsYes(text) ? Value("YES") : std::nullopt; }

constexpr std::array<const char*, 8> kRegulations = {
    "England Building Regulations Part L 2013",         "England and Wales Building Regulations Part L 2010",
    "Scottish Building Regulations 2010",               "Scottish Building Regulations 2015",
    "Northern Ireland Building Regulations Part F 2012", "Northern Ireland Building Regulations Part F 2016",
    "Republic of Ireland: Building Regulations Part L",  "Wales Building Regulations Part L 2014"};
constexpr std::array<const char*, 5> kCertificates = {"EPC England", "EPC Wales", "EPC Scotland",
                                                      "EPC Northern Ireland",
                                                      "Republic of Ireland: Building Energy Rating"};
constexpr std::array<const char*, 2> kStages = {"As designed", "As built"};
constexpr std::array<const char*, 3> kScottishBuildingKinds = {"Other buildings", "Shell buildings",
                                                               "Extensions to the insulation envelope"};

// Entry `code` (1-based) of a fixed list, quoted; nothing for a code outside it.
template <size_t N>
Value FromList(const std::array<const char*, N>& list, int32_t code) {
    if (code < 1 || code > static_cast<int32_t>(N)) return std::nullopt;
    return SbemQuoted(list[static_cast<size_t>(code - 1)]);
}

bool IsScottish(int32_t regs) { return regs == 3 || regs == 4; }
bool IsIrish(int32_t regs) { return regs == 7; }
// The regulations of the current methodology version.
bool IsCurrentVersion(int32_t regs) { return regs == 1 || regs == 4 || regs == 6 || regs == 8; }

constexpr std::array kProjectRows = {
    SbemRow{"B-TYPE", [](const SbemSource& s) { return Quoted(s.Text(2)); }},
    SbemRow{"WEATHER", [](const SbemSource& s) { return Value(SbemText(s.Text(40))); }},
    SbemRow{"P-NAME", [](const SbemSource& s) { return Quoted(s.Text(1)); }},
    SbemRow{"B-ADDRESS-0", [](const SbemSource& s) { return Quoted(s.Text(3)); }},
    SbemRow{"B-ADDRESS-1", [](const SbemSource& s) { return Quoted(s.Text(4)); }},
    SbemRow{"B-ADDRESS-2", [](const SbemSource& s) { return Quoted(s.Text(5)); }},
    SbemRow{"B-ADDRESS-3", [](const SbemSource& s) { return Quoted(s.Text(6)); }},
    SbemRow{"B-CITY", [](const SbemSource& s) { return Quoted(s.Text(7)); }},
    SbemRow{"B-POSTCODE", [](const SbemSource& s) { return Quoted(s.Text(8)); }},
    SbemRow{"UPRN", [](const SbemSource& s) { return Quoted(s.Text(9)); }},
    SbemRow{"B-INSP-DATE", [](const SbemSource& s) { return Quoted(s.Text(10)); }},
    SbemRow{"B-COUNTY", [](const SbemSource& s) { return Quoted(s.Text(11)); }},
    SbemRow{"MPRN", [](const SbemSource& s) { return Quoted(s.Text(12)); }},
    SbemRow{"B-CONS-DATE", [](const SbemSource& s) { return Quoted(s.Text(13)); }},
    SbemRow{"B-LOC-DESCRIPTION", [](const SbemSource& s) { return Quoted(s.Text(14)); }},
    SbemRow{"O-NAME", [](const SbemSource& s) { return Quoted(s.Text(15)); }},
    SbemRow{"O-TELEPHONE", [](const SbemSource& s) { return Quoted(s.Text(16)); }},
    SbemRow{"O-ADDRESS", [](const SbemSource& s) { return Quoted(s.Text(17)); }},
    SbemRow{"O-CITY", [](const SbemSource& s) { return Quoted(s.Text(18)); }},
    SbemRow{"O-POSTCODE", [](const SbemSource& s) { return Quoted(s.Text(19)); }},
    SbemRow{"C-NAME", [](const SbemSource& s) { return Quoted(s.Text(20)); }},
    SbemRow{"C-TELEPHONE", [](const SbemSource& s) { return Quoted(s.Text(21)); }},
    SbemRow{"C-ADDRESS", [](const SbemSource& s) { return Quoted(s.Text(22)); }},
    SbemRow{"C-CITY", [](const SbemSource& s) { return Quoted(s.Text(23)); }},
    SbemRow{"C-POSTCODE", [](const SbemSource& s) { return Quoted(s.Text(24)); }},
    SbemRow{"C-EMAIL", [](const SbemSource& s) { return Quoted(s.Text(25)); }},
    SbemRow{"C-ACCRED-SCHEME",
            [](const SbemSource& s) {
                return Quoted(s.Text(26) == "CIBSE" ? "CIBSE Certification Limited" : s.Text(26));
            }},
    SbemRow{"C-ACCRED-SCHEME-WEB", [](const SbemSource& s) { return Quoted(s.Text(27)); }},
    SbemRow{"C-EMP-TRAD-NAME", [](const SbemSource& s) { return Quoted(s.Text(28)); }},
    SbemRow{"C-EMP-TRAD-ADDRESS", [](const SbemSource& s) { return Quoted(s.Text(29)); }},
    SbemRow{"C-EMP-TRAD-NUMBER", [](const SbemSource& s) { return Quoted(s.Text(30)); }},
    SbemRow{"C-QUALIFICATIONS", [](const SbemSource& s) { return Quoted(s.Text(31)); }},
    SbemRow{"C-INSURER", [](const SbemSource& s) { return Quoted(s.Text(32)); }},
    SbemRow{"C-INS-POL-NUMBER", [](const SbemSource& s) { return Quoted(s.Text(33)); }},
    SbemRow{"C-INS-EFF-DATE", [](const SbemSource& s) { return Quoted(s.Text(34)); }},
    SbemRow{"C-INS-EXP-DATE", [](const SbemSource& s) { return Quoted(s.Text(35)); }},
    SbemRow{"C-INS-PI-LIMIT", [](const SbemSource& s) { return Quoted(s.Text(36)); }},
    // The accreditation number's keyword follows the region of the regulations.
    SbemRow{"C-REG-NUMBER",
            [](const SbemSource& s) {
                const int32_t regs = s.parameters.RegsType;
                return IsScottish(regs) || IsIrish(regs) ? std::nullopt : Quoted(s.Text(37));
            }},
    SbemRow{"C-REG-NUMBER-S",
            [](const SbemSource& s) { return IsScottish(s.parameters.RegsType) ? Quoted(s.Text(37)) : std::nullopt; }},
    SbemRow{"C-REG-NUMBER-IR",
            [](const SbemSource& s) { return IsIrish(s.parameters.RegsType) ? Quoted(s.Text(37)) : std::nullopt; }},
    SbemRow{"DH-PRIMF", [](const SbemSource& s) { return NumberText(s.Detail(21)); }},
    SbemRow{"DH-CO2F", [](const SbemSource& s) { return NumberText(s.Detail(22)); }},
    SbemRow{"NOS-LEVEL", [](const SbemSource& s) { return WholeNumber(s.Detail(23)); }},
    SbemRow{"C-REL-PART-DISC", [](const SbemSource& s) { return Quoted(s.Text(38)); }},
    SbemRow{"TRANSACTION-TYPE", [](const SbemSource& s) { return Quoted(s.Text(39)); }},
    SbemRow{"RESTRICTED-ACCESS-XML", [](const SbemSource&) { return Quoted("No access allowed"); }},
    SbemRow{"SOFT-COMP-NAME", [](const SbemSource&) { return Quoted("kz7"); }},
    SbemRow{"INTERFACE-VAL", [](const SbemSource&) { return Quoted(std::string("kz7 ") + KZ7_VERSION); }},
    SbemRow{"INTERFACE", [](const SbemSource&) { return Quoted("kz7-SBEM"); }},
    SbemRow{"INTERFACE-VERSION",
            [](const SbemSource& s) {
                return Quoted(IsCurrentVersion(s.parameters.RegsType) ? "v4.2.0" : "v3.0.0");
            }},
    SbemRow{"BUILDING-AREA", [](const SbemSource& s) { return Value(FormatPattern(s.floorArea, "0.00")); }},
    SbemRow{"BUILDING-VOLUME", [](const SbemSource& s) { return Value(FormatPattern(s.volume, "0.00")); }},
    SbemRow{"ACT-NOT", [](const SbemSource&) { return Value("ACT"); }},
    SbemRow{"ELEC-POWER-FACTOR", [](const SbemSource& s) { return NumberText(s.Detail(24)); }},
    SbemRow{"LIGHT-METERING", [](const SbemSource& s) { return Value(YesNo(IsYes(s.Detail(25)))); }},
    SbemRow{"PATH-FILE-INTERFACE", [](const SbemSource& s) { return Quoted(s.Text(44)); }},
    SbemRow{"HTTP-PROXY-SERVER",
            [](const SbemSource& s) {
                return s.parameters.ProxyServerURL.empty() ? std::nullopt : Quoted(s.parameters.ProxyServerURL);
            }},
    SbemRow{"HTTP-PROXY-PORT",
            [](const SbemSource& s) {
                return s.parameters.ProxyServerPort.empty() ? std::nullopt : WholeNumber(s.parameters.ProxyServerPort);
            }},
    SbemRow{"HTML-DR-REPORTS", [](const SbemSource& s) { return Value(YesNo(IsYes(s.Text(43)))); }},
    SbemRow{"MAX-STOREY", [](const SbemSource& s) { return WholeNumber(s.Detail(26)); }},
    SbemRow{"GAS-AVAILABILITY",
            [](const SbemSource& s) {
                const std::string gas = Upper(s.Text(41));
                return gas == "NO" || gas == "0" ? Value("NO") : std::nullopt;
            }},
    SbemRow{"RENEWABLE-MAIN",
            [](const SbemSource& s) {
                return Quoted(IsYes(s.Text(42)) ? "From calculation" : "Other non-calculated");
            }},
    SbemRow{"PRODUCE-MESSAGES", [](const SbemSource&) { return Value("YES"); }},
    SbemRow{"COMPRESS-XML-MESSAGES", [](const SbemSource&) { return Value("NO"); }},
    SbemRow{"LANDMARK-ENVIRONMENT",
            [](const SbemSource& s) {
                if (s.settings.useOTE) return Value("ote");
                if (s.settings.useUAT) return Value("uat");
                return Value();
            }},
};

constexpr std::array kComplianceRows = {
    SbemRow{"EPC-TYPE", [](const SbemSource& s) { return FromList(kCertificates, s.parameters.EPCType); }},
    SbemRow{"BR-TYPE", [](const SbemSource& s) { return FromList(kRegulations, s.parameters.RegsType); }},
    SbemRow{"BR-STAGE", [](const SbemSource& s) { return FromList(kStages, s.parameters.BRSTAGE); }},
    SbemRow{"BER-STAGE", [](const SbemSource& s) { return FromList(kStages, s.parameters.BERSTAGE); }},
    SbemRow{"BR-S6-BTYPE",
            [](const SbemSource& s) { return FromList(kScottishBuildingKinds, s.parameters.BRS6BTYPE); }},
    SbemRow{"BR-S6-ACCRED-CONST", [](const SbemSource& s) { return Value(YesNo(s.parameters.BRS6ACCREDCONST)); }},
    SbemRow{"BR-S6-NV-CREDIT", [](const SbemSource& s) { return Value(YesNo(s.parameters.BRS6NVCREDIT)); }},
    SbemRow{"S-EPC-PER", [](const SbemSource& s) { return Quoted(s.Text(45)); }},
    SbemRow{"S-EPC-CASE", [](const SbemSource& s) { return Quoted(s.Text(46)); }},
    SbemRow{"EPC-LANGUAGE", [](const SbemSource& s) { return Quoted(s.parameters.EPClanguage); }},
    SbemRow{"S-ENG-EPC-RATING", [](const SbemSource& s) { return Quoted(s.Text(47)); }},
    SbemRow{"AIR-CON-INSTALLED", [](const SbemSource& s) { return Quoted(s.Detail(3)); }},
    // The rated output is written under one of two keywords, as the site says.
    SbemRow{"AIR-CON-KW",
            [](const SbemSource& s) { return Upper(s.Detail(5)) == "EXACT" ? std::nullopt : Quoted(s.Detail(4)); }},
    SbemRow{"AIR-CON-KW-EXACT",
            [](const SbemSource& s) { return Upper(s.Detail(5)) == "EXACT" ? NumberText(s.Detail(4), "0.00") : std::nullopt; }},
    SbemRow{"AIR-CON-INSPECTION", [](const SbemSource& s) { return Quoted(s.Detail(6)); }},
    SbemRow{"SHELL-AND-CORE", [](const SbemSource& s) { return OnlyWhenYes(s.Detail(7)); }},
    SbemRow{"ENG-HERITAGE", [](const SbemSource& s) { return Value(YesNo(IsYes(s.Detail(8)))); }},
    SbemRow{"MODULAR-PORTABLE", [](const SbemSource& s) { return OnlyWhenYes(s.Detail(9)); }},
    SbemRow{"MODULAR-YEARS", [](const SbemSource& s) { return WholeNumber(s.Detail(10)); }},
    SbemRow{"MODULAR-CORRECTION", [](const SbemSource& s) { return OnlyWhenYes(s.Detail(11)); }},
    SbemRow{"MODULAR-ADL2-T3", [](const SbemSource& s) { return Value(YesNo(IsYes(s.Detail(12)))); }},
    SbemRow{"DISTRESS-PURCHASE", [](const SbemSource& s) { return Value(YesNo(IsYes(s.Detail(13)))); }},
    SbemRow{"LENI-CALC-CRIT2", [](const SbemSource&) { return Value("YES"); }},
    SbemRow{"ALT-SYS-CONSIDER", [](const SbemSource& s) { return Value(YesNo(IsYes(s.Detail(14)))); }},
    SbemRow{"PRODUCE-EPC-XML",
            [](const SbemSource& s) { return Value(YesNo(IsYes(s.parameters.SBEMProduceEPCXML))); }},
    SbemRow{"S-RATING-IMPROV",
            [](const SbemSource& s) { return Value(YesNo(IsYes(s.parameters.SBEMScotlandRatingImprov))); }},
    SbemRow{"DATA-REFLECTION", [](const SbemSource& s) { return Value(YesNo(s.parameters.GenDataReflection)); }},
};

// ---- Zones and elements

// The SBEM object an element becomes; Skip for airflow paths and openings.
enum class SbemElementKind { Skip, Wall, Roof, Floor, Door, Window, RoofLight };

SbemElementKind ElementKind(const Element& element) {
    const std::string& code = element.ElCode;
    if (element.RMOG == "G") return code == "L" ? SbemElementKind::RoofLight : SbemElementKind::Window;
    if (element.RMOG != "O") return SbemElementKind::Skip;
    if (code == "R" || code == "C") return SbemElementKind::Roof;
    if (code == "F" || code == "S" || code == "E") return SbemElementKind::Floor;
    if (code == "D") return SbemElementKind::Door;
    return SbemElementKind::Wall;
}

struct SbemElementKindInfo {
    const char* objectKind;
    const char* namePrefix;
};

SbemElementKindInfo KindInfo(SbemElementKind kind) {
    switch (kind) {
        case SbemElementKind::Wall: return {"WALL", "W"};
        case SbemElementKind::Roof: return {"ROOF", "R"};
        case SbemElementKind::Floor: return {"FLOOR", "F"};
        case SbemElementKind::Door: return {"DOOR", "D"};
        case SbemElementKind::Window: return {"WINDOW", "G"};
        case SbemElementKind::RoofLight: return {"ROOF-LIGHT", "L"};
        case SbemElementKind::Skip: break;
    }
    return {"", ""};
}

// What lies on the other side of an element.
std::string BoundaryType(const Element& element) {
    switch (element.IOS) {
        case 1:
        case 2: return "Exterior";
        case 3:
        case 6: return element.IsOtherZoneSemiExterior ? "Adjacent to unheated space" : "Internal";
        case 4: return "Adiabatic";
        case 5: return element.IsSubStructure() ? "Underground" : "Adjacent to unheated space";
        default: return "Exterior";
    }
}

std::string ConstructionName(const Element& element) {
    if (element.Opaque != nullptr) return element.Opaque->Description;
    if (element.Glazing != nullptr) return element.Glazing->Description;
    return {};
}

struct ElementRow {
    const char* keyword;
    Value (*value)(const Element&);
};

constexpr ElementRow kTypeRow{"TYPE", [](const Element& e) { return Quoted(BoundaryType(e)); }};
constexpr ElementRow kAreaRow{"AREA", [](const Element& e) { return Value(FormatPattern(e.ElementArea, "0.00")); }};
constexpr ElementRow kOrientationRow{
    "ORIENTATION", [](const Element& e) { return Value(std::string(OrientationLabel(e.Orientation * kDegreesPerRadian))); }};
constexpr ElementRow kInclinationRow{
    "INCLINATION", [](const Element& e) { return Value(FormatPattern(e.Slope * kDegreesPerRadian, "0.00")); }};
constexpr ElementRow kConstructionRow{"CONSTRUCTION", [](const Element& e) { return Quoted(ConstructionName(e)); }};
constexpr ElementRow kGlassRow{"GLASS", [](const Element& e) { return Quoted(ConstructionName(e)); }};

constexpr std::array kWallRows = {
    kTypeRow, kAreaRow, kOrientationRow, kInclinationRow, kConstructionRow,
    ElementRow{"STRONGLY-VENTILATED", [](const Element& e) { return e.IsStronglyVentilated ? Value("YES") : std::nullopt; }},
};
constexpr std::array kDoorRows = {
    kTypeRow, kAreaRow, kOrientationRow, kConstructionRow,
    ElementRow{"DOOR-TYPE", [](const Element& e) { return e.SBEMDoorType.empty() ? std::nullopt : Quoted(e.SBEMDoorType); }},
};
constexpr std::array kWindowRows = {
    kTypeRow, kAreaRow, kOrientationRow, kInclinationRow, kGlassRow,
    ElementRow{"SHADING-SYSTEM", [](const Element& e) { return e.ShadingSystem.empty() ? std::nullopt : Quoted(e.ShadingSystem); }},
    ElementRow{"DISPLAY-WINDOW", [](const Element& e) { return e.IsDisplay ? Value("YES") : std::nullopt; }},
    ElementRow{"SURF-AREA-RATIO", [](const Element& e) { return Value(FormatPattern(e.SurfaceAreaRatio, "0.00")); }},
};
constexpr std::array kRoofLightRows = {
    kTypeRow, kAreaRow, kInclinationRow, kGlassRow,
    ElementRow{"ROOF-LIGHT-COVER",
               [](const Element& e) { return e.SBEMRoofLightCover.empty() ? std::nullopt : Quoted(e.SBEMRoofLightCover); }},
};

std::span<const ElementRow> ElementRows(SbemElementKind kind) {
    switch (kind) {
        case SbemElementKind::Door: return kDoorRows;
        case SbemElementKind::Window: return kWindowRows;
        case SbemElementKind::RoofLight: return kRoofLightRows;
        case SbemElementKind::Skip: return {};
        default: return kWallRows;
    }
}

struct ZoneRow {
    const char* keyword;
    Value (*value)(const Zone&, const NCMData&);
};

std::string PsiList(const std::vector<float>& values) {
    std::string list = "{ ";
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0) list += ", ";
        list += FormatPattern(values[i], "0.000");
    }
    return list + " }";
}

constexpr std::array kZoneRows = {
    ZoneRow{"ACTIVITY", [](const Zone& z, const NCMData&) { return Quoted(z.SBEMActivityName); }},
    ZoneRow{"ACTIVITY-ID", [](const Zone& z, const NCMData&) { return Value(std::to_string(z.SBEMActivityId)); }},
    ZoneRow{"AREA", [](const Zone& z, const NCMData&) { return Value(FormatPattern(z.FloorArea, "0.00")); }},
    ZoneRow{"HEIGHT", [](const Zone& z, const NCMData&) { return Value(FormatPattern(z.ZoneHeight, "0.00")); }},
    ZoneRow{"CORNERS", [](const Zone& z, const NCMData&) { return Value(FormatPattern(z.NumberSBEMCorners, "0.00")); }},
    ZoneRow{"HVAC-SYSTEM",
            [](const Zone& z, const NCMData& ncm) {
                return z.SBEM.HVACSystem.empty() ? Value() : Quoted(SbemHVACSystemName(ncm, z.SBEM.HVACSystem));
            }},
    ZoneRow{"DHW-GENERATOR",
            [](const Zone& z, const NCMData& ncm) {
                return z.SBEM.DHWSystem.empty() ? Value() : Quoted(SbemDHWSystemName(ncm, z.SBEM.DHWSystem));
            }},
    ZoneRow{"DHW-DEMAND",
            [](const Zone& z, const NCMData&) {
                return z.SBEM.DHWDemandOverride > 0.0f ? Value(FormatPattern(z.SBEM.DHWDemandOverride, "0.000"))
                                                       : std::nullopt;
            }},
    ZoneRow{"PSI-VALUES", [](const Zone& z, const NCMData&) { return z.SBEM.PsiValues.empty() ? std::nullopt : Value(PsiList(z.SBEM.PsiValues)); }},
    ZoneRow{"VENT-TYPE", [](const Zone& z, const NCMData&) { return z.SBEM.HasZonalHVAC ? Quoted(z.SBEM.VentilationType) : std::nullopt; }},
    ZoneRow{"SFP",
            [](const Zone& z, const NCMData&) {
                return z.SBEM.HasZonalHVAC ? Value(FormatPattern(z.SBEM.SpecificFanPower, "0.000")) : std::nullopt;
            }},
    ZoneRow{"HR-TYPE", [](const Zone& z, const NCMData&) { return z.SBEM.HasZonalHVAC ? Quoted(z.SBEM.HeatRecoveryType) : std::nullopt; }},
    ZoneRow{"HR-EFF",
            [](const Zone& z, const NCMData&) {
                return z.SBEM.HasZonalHVAC ? Value(FormatPattern(z.SBEM.HeatRecoveryEfficiency, "0.000")) : std::nullopt;
            }},
    ZoneRow{"DEMAND-CONTROL", [](const Zone& z, const NCMData&) { return z.SBEM.HasZonalHVAC ? Quoted(z.SBEM.DemandControl) : std::nullopt; }},
    ZoneRow{"LIGHT-TYPE", [](const Zone& z, const NCMData&) { return z.SBEM.HasLighting ? Quoted(z.SBEM.LightingType) : std::nullopt; }},
    ZoneRow{"LIGHT-EFFICACY",
            [](const Zone& z, const NCMData&) {
                return z.SBEM.HasLighting ? Value(FormatPattern(z.SBEM.LightingEfficacy, "0.00")) : std::nullopt;
            }},
    ZoneRow{"LIGHT-POWER-DENSITY",
            [](const Zone& z, const NCMData&) {
                return z.SBEM.HasLighting ? Value(FormatPattern(z.SBEM.LightingPowerDensity, "0.00")) : std::nullopt;
            }},
    ZoneRow{"OCCUPANCY-CONTROL",
            [](const Zone& z, const NCMData&) { return z.SBEM.HasLighting ? Quoted(z.SBEM.OccupancyControl) : std::nullopt; }},
    ZoneRow{"DAYLIGHT-CONTROL",
            [](const Zone& z, const NCMData&) { return z.SBEM.HasLighting ? Quoted(z.SBEM.DaylightControl) : std::nullopt; }},
    ZoneRow{"CONSTANT-ILLUMINANCE",
            [](const Zone& z, const NCMData&) { return z.SBEM.HasLighting ? Value(YesNo(z.SBEM.ConstantIlluminance)) : std::nullopt; }},
};

std::string DateTimeText() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&now, &local);
    std::array<char, 32> text{};
    std::strftime(text.data(), text.size(), "%d/%m/%Y %H:%M:%S", &local);
    return text.data();
}

}  // namespace

std::string SbemModelWriter::ZoneName(const Zone& zone) {
    return Trim(SbemText(zone.Description.empty() ? zone.Key : zone.Description));
}

void SbemModelWriter::WriteProperty(const char* keyword, const std::string& value) {
    writer_.WriteData(SbemProperty(keyword, value));
}

void SbemModelWriter::CollectZones() {
    if (writer_.GetPass() != piSBEMZoneMergePass) return;
    for (const Zone& zone : *state_.zones) {
        writer_.StartZoneProcess(zone.Key);
        WriteZone(zone, 0);
        writer_.EndZoneProcess(zone.SBEMZoneMultiplier);
    }
    writer_.MergeZones();
    writer_.IncrementPass();
}

void SbemModelWriter::WriteFile(const std::string& sourceName) {
    WriteHeader(sourceName);
    WriteProject();
    WriteCompliance();
    WriteRecommendationsProject();
    WriteConstructions();
    WriteGlazings();
    WriteZones();
    WriteSiteObjects();
}

void SbemModelWriter::WriteHeader(const std::string& sourceName) {
    writer_.WriteData("$ Veloran output from kz7 " + std::string(KZ7_VERSION) + " (" + SbemText(sourceName) +
                      ") - " + DateTimeText());
}

void SbemModelWriter::WriteProject() {
    float floorArea = 0.0f;
    float volume = 0.0f;
    state_.zones->GTOTFA(floorArea, volume);
    const SbemSource source{*state_.site, parameters_, state_.settings, floorArea, volume};
    if (Trim(source.Text(39)).empty())
        state_.message.SendTextMessage("Invalid or missing data in SBEM input: Transaction type");
    writer_.WriteData("");
    writer_.WriteData(SbemHeader("SBEM-PROJECT", "GENERAL"));
    for (const SbemRow& row : kProjectRows) {
        if (Value value = row.value(source)) WriteProperty(row.keyword, *value);
    }
    writer_.WriteData(kSbemObjectEnd);
}

void SbemModelWriter::WriteCompliance() {
    const SbemSource source{*state_.site, parameters_, state_.settings, 0.0f, 0.0f};
    writer_.WriteData("");
    writer_.WriteData(SbemHeader("SBEM", "COMPLIANCE"));
    for (const SbemRow& row : kComplianceRows) {
        if (Value value = row.value(source)) WriteProperty(row.keyword, *value);
    }
    writer_.WriteData(kSbemObjectEnd);
}

void SbemModelWriter::WriteRecommendationsProject() {
    writer_.WriteData("");
    writer_.WriteData(SbemHeader("SBEM-REC", "REC-PROJECT"));
    writer_.WriteData(kSbemObjectEnd);
}

void SbemModelWriter::WriteConstructions() {
    for (const OpaqueConstruction& construction : *state_.opaqueConstructions) WriteConstruction(construction);
}

void SbemModelWriter::WriteConstruction(const OpaqueConstruction& construction) {
    writer_.WriteData("");
    writer_.WriteData(SbemHeader(construction.Description, "CONSTRUCTION"));
    writer_.WriteData("   TYPE = U_VALUE");
    writer_.WriteData("   U-VALUE = " + FormatPattern(construction.UValueBridged, "0.000"));
    const std::string cm = FormatPattern(construction.CM, "0.000");
    writer_.WriteData("   CM = { " + cm + "," + cm + " }");
    if (construction.InvolvesMetalCladding) writer_.WriteData("   METAL-CLADDING = YES");
    if (construction.GroundFloorUValueCorrected) writer_.WriteData("   U-VALUE-CORR = YES");
    writer_.WriteData(kSbemObjectEnd);
}

void SbemModelWriter::WriteGlazings() {
    for (const GlazedConstruction& glazing : *state_.glazedConstructions) WriteGlazing(glazing);
}

void SbemModelWriter::WriteGlazing(const GlazedConstruction& glazing) {
    writer_.WriteData("");
    writer_.WriteData(SbemHeader(glazing.Description, "GLASS"));
    writer_.WriteData("   U-VALUE      = " + NumberToText(glazing.UValue));
    writer_.WriteData("   TOT-SOL-TRANS = " + FormatPattern(glazing.TransTotal, "0.000"));
    writer_.WriteData("   LIG-SOL-TRANS = " + FormatPattern(glazing.TransLight, "0.000"));
    writer_.WriteData(kSbemObjectEnd);
}

void SbemModelWriter::WriteZones() {
    for (const Zone& zone : *state_.zones) {
        const int32_t multiplier =
            writer_.allowMergeZones ? writer_.GetZoneMultiplier(zone.Key) : zone.SBEMZoneMultiplier;
        if (multiplier <= 0) continue;  // merged into an identical zone
        WriteZone(zone, multiplier);
    }
}

void SbemModelWriter::WriteZone(const Zone& zone, int32_t multiplier) {
    const bool collecting = writer_.GetPass() == piSBEMZoneMergePass;
    const std::string name = collecting ? std::string() : ZoneName(zone);
    writer_.WriteData("");
    writer_.WriteData(SbemHeader(name, "ZONE"));
    for (const ZoneRow& row : kZoneRows) {
        if (Value value = row.value(zone, *state_.ncm)) WriteProperty(row.keyword, *value);
    }
    // The multiplier is left out of the compared text: zones that differ only
    // in it merge, and their multipliers add up.
    if (!collecting) WriteProperty("MULTIPLIER", std::to_string(multiplier));
    writer_.WriteData(kSbemObjectEnd);
    int32_t number = 0;
    for (const auto& element : zone.elements) WriteElement(*element, name, ++number);
}

void SbemModelWriter::WriteElement(const Element& element, const std::string& zoneName, int32_t number) {
    const SbemElementKind kind = ElementKind(element);
    if (kind == SbemElementKind::Skip) return;
    const SbemElementKindInfo info = KindInfo(kind);
    writer_.WriteData("");
    writer_.WriteData(SbemHeader(zoneName + "/" + info.namePrefix + std::to_string(number), info.objectKind));
    for (const ElementRow& row : ElementRows(kind)) {
        if (Value value = row.value(element)) WriteProperty(row.keyword, *value);
    }
    writer_.WriteData(kSbemObjectEnd);
}

void SbemModelWriter::WriteSiteObjects() {
    WriteSbemSiteObjects(*state_.ncm, writer_);
}

}  // namespace kz7
