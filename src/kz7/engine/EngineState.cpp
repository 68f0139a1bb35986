#include "kz7/engine/EngineState.h"

#include <iostream>

#include "kz7/engine/SimKZ7.h"
#include "kz7/export/NCMData.h"
#include "kz7/input/Errors.h"
#include "kz7/input/Site.h"
#include "kz7/model/Building.h"
#include "kz7/model/GlazedConstruction.h"
#include "kz7/model/Louvre.h"
#include "kz7/model/OpaqueConstruction.h"
#include "kz7/model/OpaqueMaterial.h"
#include "kz7/model/Profile.h"
#include "kz7/model/ProfileGroup.h"
#include "kz7/model/RenewablesCosts.h"
#include "kz7/model/ShadingCosts.h"
#include "kz7/model/Surface.h"
#include "kz7/model/Zone.h"
#include "kz7/output/ResultStores.h"
#include "kz7/thermal/Plant.h"
#include "kz7/weather/Location.h"
#include "kz7/weather/Weather.h"

namespace kz7 {

EngineState::EngineState()
    : errorHandler([](const std::string& text) { std::cerr << "Error: " << text << '\n'; }),
      warningHandler([](const std::string& text) { std::cerr << "Warning: " << text << '\n'; }),
      engine(std::make_unique<SimKZ7>(*this)),
      site(std::make_unique<Site>(*this)),
      building(std::make_unique<Building>(*this)),
      errors(std::make_unique<Errors>(*this)),
      location(std::make_unique<Location>(*this)),
      weather(std::make_unique<Weather>(*this)),
      zones(std::make_unique<Zones>(*this)),
      plant(std::make_unique<Plant>(*this)),
      profiles(std::make_unique<Profiles>(*this)),
      profileGroups(std::make_unique<ProfileGroups>(*this)),
      opaqueMaterials(std::make_unique<OpaqueMaterials>(*this)),
      opaqueConstructions(std::make_unique<OpaqueConstructions>(*this)),
      glazedConstructions(std::make_unique<GlazedConstructions>(*this)),
      louvres(std::make_unique<Louvres>(*this)),
      surfaces(std::make_unique<Surfaces>(*this)),
      shadingCosts(std::make_unique<ShadingCosts>(*this)),
      renewablesCosts(std::make_unique<RenewablesCosts>(*this)),
      ncm(std::make_unique<NCMData>(*this)),
      results(std::make_unique<ResultStores>(*this)) {}

EngineState::~EngineState() = default;

EngineState& EngineState::Process() {
    static EngineState instance;  // the one sanctioned process-wide object
    return instance;
}

}  // namespace kz7
