#include "ModelFile.h"

#include <filesystem>
#include <functional>
#include <system_error>

#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"
#include "kz7/input/Site.h"
#include "kz7/platform/XmlElement.h"

namespace kz7::app {

std::string LoadModel(SimulateX& control, const std::string& model, const std::string& support) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(model, error)) return model + ": model file not found";
    if (!support.empty() && !std::filesystem::is_directory(support, error))
        return support + ": support folder not found";

    // The engine's last message or error is the reason of a failed read; the
    // caller's handlers still see every one of them.
    EngineState& state = control.State();
    std::string lastProblem;
    const std::function<void(std::string&)> shownMessage = control.MessageChange;
    const std::function<void(const std::string&)> shownError = state.errorHandler;
    control.MessageChange = [&](std::string& message) {
        lastProblem = message;
        if (shownMessage) shownMessage(message);
    };
    state.errorHandler = [&](const std::string& text) {
        lastProblem = text;
        if (shownError) shownError(text);
    };
    control.SetSupportFilePath(support);
    control.SetInputFileName(model);
    const bool read = control.ReadInputData();
    control.MessageChange = shownMessage;
    state.errorHandler = shownError;
    if (read) return {};
    return model + ": the model could not be read" +
           (lastProblem.empty() ? "" : ": " + lastProblem);
}

void ReadModelRecords(EngineState& state) {
    state.site->Read(XmlElement(), XmlElement());
}

}  // namespace kz7::app
