#include "ModelFile.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <system_error>

#include "HostShading.h"
#include "ShadingRecords.h"
#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"
#include "kz7/input/Site.h"
#include "kz7/model/Zone.h"
#include "kz7/platform/XmlElement.h"

namespace kz7::app {

namespace {

void LoadShading(SimulateX& control, const std::string& model,
                 std::shared_ptr<const HostShading>* loaded) {
    EngineState& state = control.State();
    ShadingPlanes planes =
        ReadShadingFile(model, [&state](const std::string& text) { state.ShowError(text); });
    std::shared_ptr<HostShading> shading;
    if (!planes.empty()) {
        CheckShadingPlanes(state, planes);
        shading = std::make_shared<HostShading>(std::move(planes));
    }
    ConnectShading(control, shading);
    if (loaded) *loaded = shading;
}

constexpr const char* kSupportVariable = "KZ7_SUPPORT";

// <prefix>/share/kz7/support for a program installed as <prefix>/bin/kz7.
std::filesystem::path InstalledSupportFolder() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || program.empty()) return {};
    return (program.parent_path().parent_path() / "share" / "kz7" / "support").lexically_normal();
}

}  // namespace

std::string SupportFolder(const std::string& given) {
    if (!given.empty()) return given;
    const char* named = std::getenv(kSupportVariable);
    if (named != nullptr && *named != '\0') return named;
    std::error_code error;
    const std::filesystem::path installed = InstalledSupportFolder();
    if (!installed.empty() && std::filesystem::is_directory(installed, error))
        return installed.string();
    return {};
}

std::string MissingModelOrSupport(const std::string& model, const std::string& given) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(model, error)) return model + ": model file not found";
    const std::string support = SupportFolder(given);
    if (!support.empty() && !std::filesystem::is_directory(support, error))
        return support + ": support folder not found" +
               (given.empty() ? std::string(" (named by ") + kSupportVariable + ")" : "");
    return {};
}

std::string LoadModel(SimulateX& control, const std::string& model, const std::string& given,
                      std::shared_ptr<const HostShading>* shading) {
    if (std::string missing = MissingModelOrSupport(model, given); !missing.empty()) return missing;
    const std::string support = SupportFolder(given);

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
    state.settings.hostKeywords = ShadingKeywords();
    control.SetSupportFilePath(support);
    control.SetInputFileName(model);
    const bool read = control.ReadInputData();
    control.MessageChange = shownMessage;
    state.errorHandler = shownError;
    if (read) {
        // A partition or opening to a zone the model lacks is an error of
        // the model for every command, as for check.
        state.zones->CheckReferences();
        LoadShading(control, model, shading);
        return {};
    }
    return model + ": the model could not be read" +
           (lastProblem.empty() ? "" : ": " + lastProblem);
}

void ReadModelRecords(EngineState& state) {
    state.site->Read(XmlElement(), XmlElement());
}

}  // namespace kz7::app
