#pragma once
// Reads a model text through the host's model reader.
#include <fstream>
#include <sstream>
#include <string>

#include "ModelFile.h"
#include "kz7/engine/EngineState.h"
#include "kz7/export/NCMData.h"
#include "kz7/model/GlazedConstruction.h"
#include "kz7/model/Louvre.h"
#include "kz7/model/OpaqueConstruction.h"
#include "kz7/model/OpaqueMaterial.h"
#include "kz7/model/Profile.h"
#include "kz7/model/ProfileGroup.h"
#include "kz7/model/Zone.h"
#include "kz7/thermal/Plant.h"

namespace kz7::test {

inline void ReadModelText(EngineState& state, const std::string& text) {
    state.reader.OpenText(text);
    app::ReadModelRecords(state);
}

inline std::string FileText(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace kz7::test
