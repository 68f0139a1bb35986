// kz7 construction MODEL (--id N | --key KEY) [--support DIR] [--json]: the
// thermal properties of the N-th opaque construction, or of the one keyed
// KEY, in the single- and double-precision forms of the construction data
// query.
#include <fmt/core.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "Commands.h"
#include "JsonNumber.h"
#include "JsonOutput.h"
#include "ModelChecks.h"
#include "ModelFile.h"
#include "ModelMessages.h"
#include "kz7/compliance/ConstructionData.h"
#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"
#include "kz7/model/OpaqueConstruction.h"

namespace kz7::app {

namespace {

struct ConstructionOptions {
    std::string model;
    std::string support;
    int32_t id = 0;
    std::string key;
    bool json = false;
    bool strict = false;
};

nlohmann::ordered_json ToJson(const OpaqueConstruction& c, const ConstructionData& s,
                              const ConstructionDataDouble& d) {
    nlohmann::ordered_json json;
    json["key"] = c.Key;
    json["description"] = c.Description;
    // The single form at single precision (0.35, not 0.349999994039536).
    auto single = [](float value) { return JsonNumber<nlohmann::ordered_json>(value); };
    json["single"] = {{"UValue", single(s.UValue)}, {"HCO", single(s.HCO)},
                      {"RadO", single(s.RadO)},     {"SRO", single(s.SRO)},
                      {"HCI", single(s.HCI)},       {"RadI", single(s.RadI)},
                      {"SRI", single(s.SRI)}};
    json["double"] = {{"RValue", d.RValue},
                      {"UValue", d.UValue},
                      {"UValueSurfaceToSurface", d.UValueSurfaceToSurface},
                      {"HCO", d.HCO},
                      {"RadO", d.RadO},
                      {"SRO", d.SRO},
                      {"HCI", d.HCI},
                      {"RadI", d.RadI},
                      {"SRI", d.SRI},
                      {"Thickness", d.Thickness},
                      {"CM", d.CM}};
    return json;
}

void PrintText(const OpaqueConstruction& c, const ConstructionData& s,
               const ConstructionDataDouble& d) {
    fmt::print("construction {} ({})\n", c.Key, c.Description);
    fmt::print("single: UValue {} HCO {} RadO {} SRO {} HCI {} RadI {} SRI {}\n", s.UValue, s.HCO,
               s.RadO, s.SRO, s.HCI, s.RadI, s.SRI);
    fmt::print(
        "double: RValue {} UValue {} UValueSurfaceToSurface {} HCO {} RadO {} SRO {} HCI {} RadI "
        "{} SRI {} "
        "Thickness {} CM {}\n",
        d.RValue, d.UValue, d.UValueSurfaceToSurface, d.HCO, d.RadO, d.SRO, d.HCI, d.RadI, d.SRI,
        d.Thickness, d.CM);
}

// Why the construction asked for cannot be shown (empty when it can): not
// in the model, or layers the figures cannot be worked out from.
std::string ConstructionProblem(const ConstructionOptions& options,
                                const OpaqueConstructions& constructions,
                                const OpaqueConstruction* construction) {
    if (construction != nullptr) return LayerProblem(*construction);
    if (options.key.empty())
        return fmt::format("no opaque construction at position {} (the model has {})", options.id,
                           constructions.Count());
    return fmt::format("no opaque construction keyed {} (kz7 inspect lists the model's)",
                       options.key);
}

// The model is read once, from its file, so that its messages name it; the
// figures are those the control's construction data queries give.
int RunConstruction(const ConstructionOptions& options) {
    ModelMessages messages;
    SimulateX control;
    messages.Connect(control.State(), options.support, true);
    const std::string problem = LoadModel(control, options.model, options.support);
    if (!problem.empty()) {
        ShowProblem(problem);
        return kExitFailed;
    }
    if (StopsForStrict(options.model, messages, options.strict)) return kExitFailed;
    const OpaqueConstructions& constructions = *control.State().opaqueConstructions;
    const OpaqueConstruction* construction =
        options.key.empty() ? constructions.Item(options.id) : constructions.Item(options.key);
    if (const std::string whyNot = ConstructionProblem(options, constructions, construction);
        !whyNot.empty()) {
        ShowProblem(fmt::format("{}: {}", options.model, whyNot));
        return kExitFailed;
    }
    const ConstructionData single = SingleConstructionData(*construction);
    const ConstructionDataDouble data = DoubleConstructionData(*construction);
    if (options.json)
        fmt::print("{}\n", JsonText(ToJson(*construction, single, data)));
    else
        PrintText(*construction, single, data);
    return ExitAfterModelErrors(kExitOk, options.model, messages, nullptr, false);
}

}  // namespace

void RegisterConstructionCommand(CLI::App& app) {
    auto options = std::make_shared<ConstructionOptions>();
    CLI::App* command = app.add_subcommand(
        "construction", "Thermal properties of one opaque construction of a model");
    command->add_option("MODEL", options->model, "Model document")->required();
    CLI::Option* id = command->add_option(
        "--id", options->id, "Position of the construction in the model's collection, from 1");
    CLI::Option* key = command->add_option(
        "--key", options->key, "Key of the construction, as inspect lists it (instead of --id)");
    id->excludes(key);
    command->add_option("--support", options->support, "Support folder holding Dbs.KZ7");
    command->add_flag("--json", options->json, "Print JSON instead of text");
    AddStrictOption(*command, options->strict);
    command->callback([options, id, key] {
        if (id->count() == 0 && key->count() == 0) throw CLI::RequiredError("--id or --key");
        SetExitCode(RunConstruction(*options));
    });
}

}  // namespace kz7::app
