#pragma once
// EngineState owns every engine-wide object and value. The process-wide
// instance is shared by every SimulateX of a process; tests and batch runners
// make their own. Nothing but SimulateX reaches for Process(): every other
// class is handed the EngineState it works on.
#include <functional>
#include <memory>
#include <string>

#include "kz7/control/Message.h"
#include "kz7/control/OutputData.h"
#include "kz7/control/ShadingData.h"
#include "kz7/engine/ProcessSettings.h"
#include "kz7/engine/RunClock.h"
#include "kz7/input/LineReader.h"
#include "kz7/input/RecordProblem.h"
#include "kz7/output/BuildingEnergyStore.h"

namespace kz7 {

class SimKZ7;
class Site;
class Building;
class Errors;
class Location;
class Weather;
class Zones;
class Plant;
class Profiles;
class ProfileGroups;
class OpaqueMaterials;
class OpaqueConstructions;
class GlazedConstructions;
class Louvres;
class Surfaces;
class ShadingCosts;
class RenewablesCosts;
class NCMData;
class ResultStores;

class EngineState {
public:
    EngineState();
    ~EngineState();
    EngineState(const EngineState&) = delete;
    EngineState& operator=(const EngineState&) = delete;

    // The process-wide instance, created on first use.
    static EngineState& Process();

    // The error dialog: shows `text` and the work goes on.
    void ShowError(const std::string& text) {
        if (errorHandler) errorHandler(text);
    }
    // A problem that does not change what is read but is probably not what
    // the model meant; the work goes on.
    void ShowWarning(const std::string& text) {
        if (warningHandler) warningHandler(text);
    }
    // Lets the host process pending input (and so set Cancelled).
    void Yield() {
        if (yieldHandler) yieldHandler();
    }

    // Replaceable platform services. The default error handler writes
    // "Error: <text>" to standard error, the default warning handler
    // "Warning: <text>"; the default yield does nothing.
    std::function<void(const std::string&)> errorHandler;
    std::function<void(const std::string&)> warningHandler;
    std::function<void()> yieldHandler;

    RunClock clock;
    ProcessSettings settings;
    LineReader reader;
    // The record the document reader is in, and where each keyed record was
    // first defined (both for messages).
    RecordContext record;
    RecordOrigins recordOrigins;
    BuildingEnergyStore energy;

    Message message;
    OutputData outputData;
    ShadingData shadingData;

    std::unique_ptr<SimKZ7> engine;
    std::unique_ptr<Site> site;
    std::unique_ptr<Building> building;
    std::unique_ptr<Errors> errors;
    std::unique_ptr<Location> location;
    std::unique_ptr<Weather> weather;
    std::unique_ptr<Zones> zones;
    std::unique_ptr<Plant> plant;
    std::unique_ptr<Profiles> profiles;
    std::unique_ptr<ProfileGroups> profileGroups;
    std::unique_ptr<OpaqueMaterials> opaqueMaterials;
    std::unique_ptr<OpaqueConstructions> opaqueConstructions;
    std::unique_ptr<GlazedConstructions> glazedConstructions;
    std::unique_ptr<Louvres> louvres;
    std::unique_ptr<Surfaces> surfaces;
    std::unique_ptr<ShadingCosts> shadingCosts;
    std::unique_ptr<RenewablesCosts> renewablesCosts;
    std::unique_ptr<NCMData> ncm;
    std::unique_ptr<ResultStores> results;
};

}  // namespace kz7
