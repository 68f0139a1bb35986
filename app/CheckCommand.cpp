// kz7 check MODEL: every error and warning of a model, with their count,
// without running it.
#include <fmt/core.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "Commands.h"
#include "JsonOutput.h"
#include "ModelChecks.h"
#include "ModelMessages.h"
#include "kz7/control/SimulateX.h"

namespace kz7::app {

namespace {

int RunCheck(const ModelInput& input, bool asJson) {
    SimulateX control;
    ModelMessages messages;
    if (const std::string problem = CheckModel(control, input, messages); !problem.empty()) {
        ShowProblem(problem);
        return kExitFailed;
    }
    if (asJson) {
        nlohmann::ordered_json json = {{"model", input.model}};
        json.update(MessagesJson(messages));
        fmt::print("{}\n", JsonText(json));
    } else {
        for (const ModelMessage& message : messages.All()) fmt::print("{}\n", MessageLine(message));
        fmt::print("{}: {}\n", input.model, messages.CountText());
    }
    return messages.Errors() > 0 ? kExitFailed : kExitOk;
}

}  // namespace

void RegisterCheckCommand(CLI::App& app) {
    auto input = std::make_shared<ModelInput>();
    auto asJson = std::make_shared<bool>(false);
    CLI::App* command = app.add_subcommand(
        "check", "List a model's errors and warnings without running it (exit 1 on errors)");
    // check exits 1 on errors in any case; --strict is taken for scripts that
    // pass it to every command.
    AddModelInputOptions(*command, *input);
    command->add_flag("--json", *asJson, "Write the messages as JSON");
    command->callback([input, asJson] { SetExitCode(RunCheck(*input, *asJson)); });
}

}  // namespace kz7::app
