#include "ModelChecks.h"

#include <fmt/core.h>

#include <cmath>

#include "Commands.h"
#include "ModelFile.h"
#include "ModelMessages.h"
#include "ModelRun.h"
#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"
#include "kz7/model/Heater.h"
#include "kz7/model/HeaterDefinition.h"
#include "kz7/model/OpaqueConstruction.h"
#include "kz7/model/ProfileGroup.h"
#include "kz7/model/Zone.h"
#include "kz7/weather/Weather.h"

namespace kz7::app {

void AddModelInputOptions(CLI::App& command, ModelInput& input) {
    command.add_option("MODEL", input.model, "Model document")->required();
    command.add_option("--support", input.support, "Support folder whose Dbs.KZ7 is read first");
    AddStrictOption(command, input.strict);
}

int WithModel(SimulateX& control, const ModelInput& input, const std::function<int()>& work) {
    control.MessageChange = [](std::string& message) { fmt::print(stderr, "{}\n", message); };
    EngineState& state = control.State();
    // What the work itself reports goes where it went before: only the
    // read's problems are the model's.
    const auto shownError = state.errorHandler;
    const auto shownWarning = state.warningHandler;
    ModelMessages messages;
    messages.Connect(state, input.support, true);
    const std::string problem = LoadModel(control, input.model, input.support);
    state.errorHandler = shownError;
    state.warningHandler = shownWarning;
    if (!problem.empty()) {
        ShowProblem(problem);
        return kExitFailed;
    }
    if (StopsForStrict(input.model, messages, input.strict)) return kExitFailed;
    return ExitAfterModelErrors(work(), input.model, messages, nullptr, false);
}

namespace {

// An opaque or glazed element that takes part in its zone's circuit needs
// an area: the circuit's set-up stops a run at one without ("Zero area
// setting up KZ7 circuits"), which is stored as the run's failure.
void CheckElementAreas(const EngineState& state, ModelMessages& messages) {
    for (const Zone& zone : *state.zones) {
        for (const auto& element : zone.elements) {
            if (!element->LacksCircuitArea()) continue;
            // Named by the zone's record where the model defined it.
            std::string place = state.recordOrigins.PlaceOf("Zone", zone.Key);
            if (place.empty()) place = "zone " + zone.Key;
            messages.Add(Severity::Error,
                         place + ": element " + element->ElCode + " (element " +
                             std::to_string(element->Position + 1) +
                             ") has area 0, so a run stops at setting up the zone's circuit");
        }
    }
}

// The weather a simulation would read, checked as far as the model allows
// without running: an EPW file is loaded, so its header meets the Location.
void CheckSimulationWeather(EngineState& state, ModelMessages& messages) {
    Weather& weather = *state.weather;
    if (weather.WeatherDbName.empty()) {
        messages.Add(Severity::Warning,
                     "the model has no \"SimulationWeather\" record: it cannot be simulated");
        return;
    }
    const std::string file = WeatherFileOf(state);
    if (file.empty()) {
        messages.Add(Severity::Warning, WeatherNotFound(state) +
                                            " (named by \"SimulationWeather\"): the model "
                                            "cannot be simulated");
        return;
    }
    if (weather.WeatherFileType != 4) return;
    EnergyPlusWeather& epw = weather.EpwSource();
    if (!epw.OpenFile(file)) return;
    const EnergyPlusWeather::MissingDays missing = epw.DaysWithoutRecords(state.clock.period);
    if (missing.count == 0) return;
    messages.Add(Severity::Error,
                 fmt::format("weather file {} lacks hours of {} of the run's days (the first on "
                             "{}/{}): the run reports \"No weather data\" for each of them and "
                             "keeps the weather of the hour before",
                             file, missing.count, missing.firstDay, missing.firstMonth));
}

}  // namespace

std::string CheckModel(SimulateX& control, const ModelInput& input, ModelMessages& messages,
                       std::shared_ptr<const HostShading>* shading) {
    EngineState& state = control.State();
    // The engine's progress messages say nothing about the model.
    control.MessageChange = [](std::string&) {};
    messages.Connect(state, input.support, false);
    std::string problem = LoadModel(control, input.model, input.support, shading);
    if (problem.empty()) {
        // What refuses a run is an error of the model here too.
        std::vector<std::string> warnings;
        for (std::string& error : RunProblems(state, warnings))
            messages.Add(Severity::Error, std::move(error));
        for (std::string& warning : warnings) messages.Add(Severity::Warning, std::move(warning));
        CheckElementAreas(state, messages);
        CheckSimulationWeather(state, messages);
    }
    state.errorHandler = nullptr;
    state.warningHandler = nullptr;
    control.MessageChange = nullptr;
    return problem;
}

std::string LayerProblem(const OpaqueConstruction& construction) {
    if (construction.LayerList.Count() > 0 || construction.UsesPreCalculatedUValue) return {};
    return "construction " + construction.Key + " has no layers";
}

std::vector<std::string> ModelProblems(const EngineState& state) {
    std::vector<std::string> problems;
    if (state.zones->Count() == 0) problems.emplace_back("the model has no zones");
    for (const Zone& zone : *state.zones)
        if (zone.elements.Count() == 0) problems.push_back("zone " + zone.Key + " has no elements");
    for (const OpaqueConstruction& construction : *state.opaqueConstructions) {
        std::string problem = LayerProblem(construction);
        if (!problem.empty()) problems.push_back(std::move(problem));
    }
    return problems;
}

namespace {

// A storage heater charges only while its schedule is above 50 (it always
// heats, from its core): a schedule that never is, such as a set point of
// 21 °C, leaves the core cold for the whole run.
std::string ChargeScheduleProblem(const Zone& zone) {
    const Heater* heater = zone.Heater.get();
    if (heater == nullptr || heater->Definition == nullptr || heater->OperationPG == nullptr ||
        heater->Definition->HeaterType != HeaterDefinition::kStorage ||
        heater->OperationPG->Highest() > 50.0f)
        return {};
    return "zone " + zone.Key + ": the storage heater's schedule " + heater->OperationPG->Key +
           " is never above 50, so its core never charges (a storage heater's schedule "
           "switches its charging on above 50; it is not a set point)";
}

}  // namespace

std::vector<std::string> RunProblems(const EngineState& state, std::vector<std::string>& warnings) {
    std::vector<std::string> problems;
    if (state.zones->Count() == 0) problems.emplace_back("the model has no zones");
    for (const Zone& zone : *state.zones) {
        if (!(zone.Volume > 0.0f) || !std::isfinite(zone.Volume))
            problems.push_back("zone " + zone.Key + " has no volume");
        if (!(zone.FloorArea > 0.0f) || !std::isfinite(zone.FloorArea))
            warnings.push_back("zone " + zone.Key + " has no floor area");
        std::string chargeProblem = ChargeScheduleProblem(zone);
        if (!chargeProblem.empty()) warnings.push_back(std::move(chargeProblem));
    }
    return problems;
}

bool ReportProblems(const std::string& model, const std::vector<std::string>& problems) {
    for (const std::string& problem : problems) fmt::print(stderr, "{}: {}\n", model, problem);
    return !problems.empty();
}

}  // namespace kz7::app
