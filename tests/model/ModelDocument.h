#pragma once
// Reads a model text by dispatching the model records on their keywords, the
// way the document reader does; other keywords' lines are passed over.
#include <fstream>
#include <sstream>
#include <string>

#include "kz7/engine/EngineState.h"
#include "kz7/export/NCMData.h"
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

namespace kz7::test {

inline void ReadModelText(EngineState& state, const std::string& text, XmlElement xml = {}) {
    LineReader& reader = state.reader;
    reader.OpenText(text);
    while (true) {
        reader.NextLine();
        if (reader.AtEnd()) break;
        const std::string keyword = reader.NextString();
        if (keyword == "OpaqueMaterial") state.opaqueMaterials->Read();
        else if (keyword == "OpaqueConstruction") state.opaqueConstructions->Read(xml);
        else if (keyword == "GlazedConstruction") state.glazedConstructions->Read();
        else if (keyword == "Louvre") state.louvres->Read();
        else if (keyword == "Profile") state.profiles->Read();
        else if (keyword == "ProfileGroup") state.profileGroups->Read();
        else if (keyword == "Zone") state.zones->Read();
        else if (keyword == "HeaterDefinition") state.plant->ReadHeaterDefinition();
        else if (keyword == "CoolerDefinition") state.plant->ReadCoolerDefinition();
        else if (keyword == "Boiler") state.plant->ReadBoiler();
        else if (keyword == "Chiller") state.plant->ReadChiller();
        else if (keyword == "DHW") state.plant->ReadDHW();
        else if (keyword == "Fans") state.plant->ReadFans();
        else if (keyword == "AdditionalHeater") state.zones->ReadAdditionalHeater();
        else if (keyword == "AdditionalCooler") state.zones->ReadAdditionalCooler();
        else if (keyword == "AdditionalSecondaryHeater") state.zones->ReadAdditionalSecondaryHeater();
        else if (keyword == "ShadingCosts") state.shadingCosts->Read();
        else if (keyword == "RenewablesCosts") state.renewablesCosts->Read();
        else if (keyword == "SBEMHVACSystem") state.ncm->ReadHVACSystems();
        else if (keyword == "SBEMDHWSystem") state.ncm->ReadDHWSystems();
    }
}

inline std::string FileText(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace kz7::test
