#include "kz7/export/KlimaWriter.h"

#include <array>
#include <filesystem>
#include <system_error>
#include <utility>

#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"
#include "kz7/export/DetachedStart.h"
#include "kz7/export/SbemSyntax.h"
#include "kz7/input/LineReader.h"
#include "kz7/input/Site.h"
#include "kz7/model/Element.h"
#include "kz7/model/GlazedConstruction.h"
#include "kz7/model/Layer.h"
#include "kz7/model/OpaqueConstruction.h"
#include "kz7/model/OpaqueMaterial.h"
#include "kz7/model/ProfileGroup.h"
#include "kz7/model/Zone.h"
#include "kz7/platform/NumberText.h"

namespace kz7 {

namespace {

constexpr int32_t kKlimaRunKind = 4;
constexpr const char* kInputFileName = "in.inp";
constexpr const char* kProgramArgument = "FROMVELORAN";
constexpr float kDegreesPerRadian = 1.0f / 0.017453292522222223f;

constexpr std::array<std::pair<const char*, const char*>, 9> kCategories = {
    {{"W", "1"}, {"P", "2"}, {"C", "3"}, {"F", "4"}, {"S", "5"}, {"R", "6"}, {"L", "7"}, {"D", "8"}, {"G", "9"}}};

// Where each value of the building block sits in the site record.
enum class SiteValue { Number, Integer, Detail, Nothing };
struct BuildingLine {
    const char* key;
    SiteValue source;
    size_t index;
};

constexpr std::array<BuildingLine, 21> kBuildingLines = {{
    {"VolumeLordo = ", SiteValue::Number, 0},
    {"Altezza =", SiteValue::Number, 1},
    {"AltezzaMediaPiano = ", SiteValue::Number, 2},
    {"Uso = ", SiteValue::Integer, 0},
    {"DestinazioneDUso = ", SiteValue::Integer, 1},
    {"Provincia = ", SiteValue::Detail, 0},
    {"Comune = ", SiteValue::Detail, 1},
    {"Altitudine = ", SiteValue::Number, 3},
    {"GradiGiorno = ", SiteValue::Number, 4},
    {"TempEstInvernale = ", SiteValue::Number, 5},
    {"UmiditaRelativaEsterna = ", SiteValue::Number, 6},
    {"TemperaturaInterna = ", SiteValue::Number, 7},
    {"UmiditaRelativaInterna = ", SiteValue::Number, 8},
    {"GGRiscaldamento = ", SiteValue::Number, 9},
    {"OreDiFunzionamentoGiornaliere = ", SiteValue::Number, 10},
    {"OreGiornaliereDiOccupazione = ", SiteValue::Number, 11},
    {"GiorniAlMeseDiOccupazione = ", SiteValue::Number, 12},
    {"TipologiaSerramento = ", SiteValue::Nothing, 0},
    {"TipologiaCassonetto = ", SiteValue::Nothing, 0},
    {"ContestoTerritoriale = ", SiteValue::Nothing, 0},
    {"PermeabilitaVerticaleEdificio = ", SiteValue::Nothing, 0},
}};
constexpr size_t kWinterDesignTemperature = 5;  // position in the site's numbers
constexpr size_t kModelPath = 2;                // position in the site's texts

template <typename T>
T At(const std::vector<T>& values, size_t index) {
    return index < values.size() ? values[index] : T{};
}

bool IsAirflowInto(const Element& element) {
    return element.ElCode == "M" || element.ElCode == "V" || element.ElCode == "I";
}

}  // namespace

KlimaWriter::KlimaWriter(EngineState& state) : state_(state), writer_(state) {
    writer_.writerMode = WriterMode::CasaClima;
    writer_.lineEnding = LineEnding::CrLf;
    writer_.encoding = TextEncoding::Windows1252;
}

std::string KlimaWriter::Number(double value, const char* pattern) const {
    return FormatPattern(value, pattern, state_.settings.decimalSeparator);
}

std::string KlimaWriter::Text(double value) const { return NumberToText(value, state_.settings.decimalSeparator); }
std::string KlimaWriter::Text(float value) const { return NumberToText(value, state_.settings.decimalSeparator); }

void KlimaWriter::Run() {
    if (WriteFile() && !state_.settings.klimaProgram.empty()) StartProgram();
}

bool KlimaWriter::WriteFile() {
    state_.clock.runKind = kKlimaRunKind;
    writer_.Init();
    state_.message.SendTextMessage("Klima Calculation");
    const std::string fileName = state_.settings.klimaPath + kInputFileName;
    // An old file goes, so that a failed write leaves none; anything else
    // under that name (a link, a pipe) is left alone and refused below.
    std::error_code ignored;
    if (std::filesystem::is_regular_file(std::filesystem::symlink_status(fileName, ignored)))
        std::filesystem::remove(fileName, ignored);
    if (!writer_.Open(fileName)) {
        state_.ShowError("Unable to create the CasaClima input file " + fileName);
        return false;
    }
    WriteBuilding();
    // The ground and boundary temperatures are taken on the first Monday of January.
    state_.clock.dayType = 1;
    state_.clock.month = 1;
    WriteMaterials();
    WriteGlazings(WriteConstructions());
    writer_.WriteData("");
    writer_.WriteData("[PONTITERMICI]");
    WriteZones();
    if (!writer_.Close()) {
        state_.ShowError("The CasaClima input file " + fileName + " could not be written completely");
        return false;
    }
    return true;
}

void KlimaWriter::WriteBuilding() {
    const Site& site = *state_.site;
    writer_.WriteData("[Building]");
    for (const BuildingLine& line : kBuildingLines) {
        std::string value;
        switch (line.source) {
            case SiteValue::Number: value = Number(At(site.Numbers, line.index), "0.000"); break;
            case SiteValue::Integer: value = std::to_string(At(site.Integers, line.index)); break;
            case SiteValue::Detail: value = SingleLine(At(site.Details, line.index)); break;
            case SiteValue::Nothing: break;
        }
        writer_.WriteData(line.key + value);
    }
}

void KlimaWriter::WriteMaterials() {
    int32_t index = 0;
    for (OpaqueMaterial& material : *state_.opaqueMaterials) {
        material.Index = ++index;
        WriteMaterial(material);
    }
}

void KlimaWriter::WriteMaterial(const OpaqueMaterial& material) {
    writer_.WriteData("");
    writer_.WriteData("[STRATO" + std::to_string(material.Index) + "]");
    writer_.WriteData("Nome = " + SingleLine(material.Description));
    writer_.WriteData("Categoria = " + SingleLine(material.Category));
    writer_.WriteData("Conduttività = " + Number(material.Conductivity, "0.0000"));
    writer_.WriteData("Densità = " + Number(material.Density, "0.0"));
    writer_.WriteData("SpecificHeat = " + Number(material.Capacity, "0.0"));
    writer_.WriteData("Colore = 1");
}

int32_t KlimaWriter::WriteConstructions() {
    int32_t index = 0;
    for (OpaqueConstruction& construction : *state_.opaqueConstructions) {
        if (!construction.IsUsed) continue;
        construction.Index = ++index;
        WriteConstruction(construction);
    }
    return index;
}

void KlimaWriter::WriteConstruction(const OpaqueConstruction& construction) {
    const Layers& layers = construction.LayerList;
    writer_.WriteData("");
    writer_.WriteData("[STRUTTURA" + std::to_string(construction.Index) + "]");
    writer_.WriteData("Nome = " + SingleLine(construction.Description));
    writer_.WriteData("Tipo = " + GetKlimaCategory(construction.TYP));
    writer_.WriteData("StratiN = " + std::to_string(layers.Count()));
    writer_.WriteData("Trasmittanza = " + Number(construction.UValueBridged, "0.0000"));
    // CasaClima counts the layers from the inside; the model keeps them from the outside.
    int32_t k = 0;
    for (auto layer = layers.rbegin(); layer != layers.rend(); ++layer) {
        const std::string prefix = "Strato" + std::to_string(++k);
        const int32_t materialIndex = (*layer)->Material != nullptr ? (*layer)->Material->Index : 0;
        writer_.WriteData(prefix + "ID = " + std::to_string(materialIndex));
        writer_.WriteData(prefix + "Spessore = " + Text((*layer)->Thickness));
    }
    writer_.WriteData("Vetro");
    writer_.WriteData("TelaioD");
    writer_.WriteData("TelaioU");
}

void KlimaWriter::WriteGlazings(int32_t usedConstructions) {
    int32_t index = usedConstructions;
    for (GlazedConstruction& glazing : *state_.glazedConstructions) {
        glazing.Index = ++index;
        WriteGlazing(glazing);
    }
}

void KlimaWriter::WriteGlazing(const GlazedConstruction& glazing) {
    const std::string layers = std::to_string(glazing.NLayers);
    writer_.WriteData("");
    writer_.WriteData("[STRUTTURA" + std::to_string(glazing.Index) + "]");
    writer_.WriteData("Nome = " + SingleLine(glazing.Description));
    writer_.WriteData("Tipo = " + SingleLine(glazing.TY));
    writer_.WriteData("StratiN = " + layers);
    writer_.WriteData("Trasmittanza = " + Number(glazing.UValue, "0.0000"));
    for (int32_t k = 1; k <= glazing.NLayers; ++k) {
        const std::string prefix = "Strato" + std::to_string(k);
        writer_.WriteData(prefix + "ID = ");
        writer_.WriteData(prefix + "Spessore = ");
    }
    writer_.WriteData("Vetro = " + layers);
    writer_.WriteData("TelaioD = ");
    writer_.WriteData("TelaioU = ");
}

std::string KlimaWriter::GetKlimaCategory(const std::string& code) {
    for (const auto& [letter, category] : kCategories) {
        if (code == letter) return category;
    }
    state_.ShowError("Invalid elcode " + SingleLine(code));
    return {};
}

void KlimaWriter::WriteZones() {
    elementCounter_ = 0;
    lastOpaqueElementIndex_.clear();
    int32_t index = 0;
    for (const Zone& zone : *state_.zones) WriteZone(zone, ++index);
}

void KlimaWriter::WriteZone(const Zone& zone, int32_t index) {
    // The air change rate of the room: every ventilation, infiltration and
    // mechanical air flow into it.
    double q50Infil = 0.0;
    for (const auto& element : zone.elements) {
        if (IsAirflowInto(*element)) q50Infil += element->AirflowRate;
    }
    writer_.WriteData("");
    writer_.WriteData("[LOCALE" + std::to_string(index) + "]");
    writer_.WriteData("None = " + SingleLine(zone.Description));
    // The set point is read as a single: its text is the single's, without
    // the digits a widening to double would add (21.3, not 21.2999992370605).
    writer_.WriteData("TempInterna = " + Text(static_cast<float>(zone.KlimaHeatingSetPointTemperature)));
    writer_.WriteData(std::string("Riscaldato = ") + (zone.KlimaIsHeated ? "1" : "0"));
    writer_.WriteData("AreaPav = " + Number(zone.FloorArea, "0.000"));
    writer_.WriteData("AltezzaNetta = " + Number(zone.ZoneHeight, "0.000"));
    writer_.WriteData("Ricambi = " + Number(q50Infil, "0.000"));
    writer_.WriteData("Persone = " + Number(zone.KlimaNumberPeople, "0.000"));
    writer_.WriteData("EnergiaApparecchiature = ");
    writer_.WriteData("Cucine = ");
    for (const auto& element : zone.elements) WriteElement(*element, ++elementCounter_);
}

void KlimaWriter::WriteElement(const Element& element, int32_t number) {
    // Surfaces to other zones are written by neither side; their numbers are used up all the same.
    if (element.ElCode == "P" || element.IOS == 3 || element.IOS == 6) return;
    const bool opaque = element.RMOG == "O";
    if (!opaque && element.RMOG != "G") return;

    double outside = At(state_.site->Numbers, kWinterDesignTemperature);
    if (element.IOS == 5 && element.AdjacentPG != nullptr) outside = element.AdjacentPG->GRPVAL();
    int32_t constructionIndex = 0;
    if (element.Opaque != nullptr) constructionIndex = element.Opaque->Index;
    if (element.Glazing != nullptr) constructionIndex = element.Glazing->Index;

    const std::string prefix = "Struttura" + std::to_string(number);
    writer_.WriteData("");
    writer_.WriteData(prefix + " = " + std::to_string(constructionIndex));
    writer_.WriteData(prefix + "Oriet = " + std::string(OrientationLabel(element.Orientation * kDegreesPerRadian)));
    writer_.WriteData(prefix + "TEsterna = " + Number(outside, "0.00"));
    writer_.WriteData(prefix + "Lung = " + Number(element.ElementArea, "0.0000"));
    writer_.WriteData(prefix + "Alt = 1");
    if (opaque) {
        lastOpaqueElementIndex_[element.MyZone] = number;
        writer_.WriteData(prefix + "Rif");
    } else {
        writer_.WriteData(prefix + "Rif = " + std::to_string(lastOpaqueElementIndex_[element.MyZone]));
    }
}

std::string KlimaWriter::SideFileName(const std::string& modelPath) {
    const size_t separator = modelPath.find_last_of("\\/");
    std::string folder;
    std::string name;
    char separatorChar = '/';
    if (separator == std::string::npos) {
        std::error_code ignored;
        folder = std::filesystem::current_path(ignored).string();
        name = modelPath;
    } else {
        folder = modelPath.substr(0, separator);
        separatorChar = modelPath[separator];
        name = modelPath.substr(separator + 1);
    }
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name.erase(dot);
    return folder + separatorChar + name + ".kma";
}

std::vector<std::string> KlimaWriter::ProgramWords() const {
    // Without a path in the Site record, the document that was read names
    // the side file, so that it lies beside the model.
    std::string modelPath = At(state_.site->Details, kModelPath);
    if (Trim(modelPath).empty()) modelPath = state_.engine->DataFileName;
    return {state_.settings.klimaProgram, SideFileName(modelPath), kProgramArgument,
            state_.settings.klimaPath + kInputFileName};
}

void KlimaWriter::StartProgram() const {
    StartDetached(ProgramWords());  // a program that does not start is ignored
}

}  // namespace kz7
