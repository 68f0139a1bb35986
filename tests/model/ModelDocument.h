#pragma once
// Reads a model text through the host's model reader.
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

}  // namespace kz7::test
