#include "ModelFile.h"

#include <filesystem>

#include "kz7/engine/EngineState.h"
#include "kz7/input/Site.h"
#include "kz7/platform/XmlElement.h"

namespace kz7::app {

void ReadModelRecords(EngineState& state) { state.site->Read(XmlElement(), XmlElement()); }

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
