#include "ModelFile.h"

#include <filesystem>
#include <functional>
#include <map>

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

namespace kz7::app {

void ReadModelRecords(EngineState& state) {
    const std::map<std::string, std::function<void()>, std::less<>> readers = {
        {"OpaqueMaterial", [&] { state.opaqueMaterials->Read(); }},
        {"OpaqueConstruction", [&] { state.opaqueConstructions->Read({}); }},
        {"GlazedConstruction", [&] { state.glazedConstructions->Read(); }},
        {"Louvre", [&] { state.louvres->Read(); }},
        {"Profile", [&] { state.profiles->Read(); }},
        {"ProfileGroup", [&] { state.profileGroups->Read(); }},
        {"Zone", [&] { state.zones->Read(); }},
        {"AdditionalHeater", [&] { state.zones->ReadAdditionalHeater(); }},
        {"AdditionalCooler", [&] { state.zones->ReadAdditionalCooler(); }},
        {"AdditionalSecondaryHeater", [&] { state.zones->ReadAdditionalSecondaryHeater(); }},
        {"HeaterDefinition", [&] { state.plant->ReadHeaterDefinition(); }},
        {"CoolerDefinition", [&] { state.plant->ReadCoolerDefinition(); }},
        {"Boiler", [&] { state.plant->ReadBoiler(); }},
        {"Chiller", [&] { state.plant->ReadChiller(); }},
        {"DHW", [&] { state.plant->ReadDHW(); }},
        {"Fans", [&] { state.plant->ReadFans(); }},
        {"ShadingCosts", [&] { state.shadingCosts->Read(); }},
        {"RenewablesCosts", [&] { state.renewablesCosts->Read(); }},
        {"SBEMWindGenerators", [&] { state.ncm->ReadWindGenerator(); }},
        {"SBEMPVS", [&] { state.ncm->ReadPVSystems(); }},
        {"SBEMCHP", [&] { state.ncm->ReadCHP(); }},
        {"SBEMHVACSystem", [&] { state.ncm->ReadHVACSystems(); }},
        {"SBEMDHWSystem", [&] { state.ncm->ReadDHWSystems(); }},
        {"NCMRecommendations", [&] { state.ncm->ReadRecommendations(); }},
        {"SBEMSolarCollector", [&] { state.ncm->ReadSolarCollectors(); }},
    };
    LineReader& reader = state.reader;
    while (true) {
        reader.NextLine();
        if (reader.AtEnd()) return;
        auto found = readers.find(reader.NextString());
        if (found != readers.end()) found->second();
    }
}

bool LoadModel(EngineState& state, const std::string& supportDir, const std::string& modelPath,
               std::string& error) {
    auto readFile = [&](const std::string& path) {
        if (!state.reader.Open(path)) {
            error = "Cannot open " + path;
            return false;
        }
        ReadModelRecords(state);
        state.reader.Close();
        return true;
    };
    if (!supportDir.empty() && !readFile((std::filesystem::path(supportDir) / "Dbs.KZ7").string()))
        return false;
    return readFile(modelPath);
}

}  // namespace kz7::app
