#include "ModelMessages.h"

#include <fmt/core.h>

#include <algorithm>

#include "Commands.h"
#include "ModelFile.h"
#include "kz7/engine/EngineState.h"

namespace kz7::app {

namespace {

// What a model misses when the default database is not read: its shared
// constructions and schedules.
bool IsMissingLibraryRecord(const std::string& text) {
    return text.find("Missing construction ") != std::string::npos ||
           text.find("Missing glazed construction ") != std::string::npos ||
           text.find(" not defined and not a number") != std::string::npos;
}

}  // namespace

std::string Counted(int64_t count, const char* noun) {
    return fmt::format("{} {}{}", count, noun, count == 1 ? "" : "s");
}

void ModelMessages::Connect(EngineState& state, const std::string& support, bool echo) {
    noSupport_ = SupportFolder(support).empty();
    echo_ = echo;
    state.errorHandler = [this](const std::string& text) { Add(Severity::Error, text); };
    state.warningHandler = [this](const std::string& text) { Add(Severity::Warning, text); };
}

void ModelMessages::Add(Severity severity, std::string text) {
    if (noSupport_ && IsMissingLibraryRecord(text))
        text += " (no support folder was given or found: add --support DIR or set KZ7_SUPPORT)";
    messages_.push_back({severity, std::move(text)});
    if (echo_) fmt::print(stderr, "{}\n", MessageLine(messages_.back()));
}

int32_t ModelMessages::Count(Severity severity) const {
    int32_t count = 0;
    for (const ModelMessage& message : messages_) count += message.severity == severity ? 1 : 0;
    return count;
}

std::string ModelMessages::CountText() const {
    return Counted(Errors(), "error") + ", " + Counted(Count(Severity::Warning), "warning");
}

std::string ModelMessages::ErrorsNote() const {
    const auto first = std::find_if(messages_.begin(), messages_.end(), [](const ModelMessage& m) {
        return m.severity == Severity::Error;
    });
    if (first == messages_.end()) return {};
    return fmt::format("the model: {}, the first: {}", CountText(), first->text);
}

const char* SeverityName(Severity severity) {
    return severity == Severity::Error ? "error" : "warning";
}

std::string MessageLine(const ModelMessage& message) {
    return (message.severity == Severity::Error ? "Error: " : "Warning: ") + message.text;
}

nlohmann::ordered_json MessagesJson(const ModelMessages& messages) {
    nlohmann::ordered_json json;
    json["errors"] = messages.Errors();
    json["warnings"] = messages.Count(Severity::Warning);
    json["messages"] = nlohmann::ordered_json::array();
    for (const ModelMessage& message : messages.All())
        json["messages"].push_back(
            {{"severity", SeverityName(message.severity)}, {"text", message.text}});
    return json;
}

void AddStrictOption(CLI::App& command, bool& strict) {
    command.add_flag("--strict", strict,
                     "Exit with code 1, before running, when the model has errors");
}

namespace {

std::string StrictStop(const std::string& model, const ModelMessages& messages) {
    return fmt::format("{}: {}; not run (--strict)", model, messages.CountText());
}

std::string RanWithErrors(const std::string& model, const ModelMessages& messages, bool ran) {
    return fmt::format("{}: {}; {} all the same (--strict stops it)", model, messages.CountText(),
                       ran ? "it ran" : "the command went on");
}

void Show(const ShowLine& show, const std::string& line) {
    if (show)
        show(line);
    else
        ShowProblem(line);
}

}  // namespace

bool StopsForStrict(const std::string& model, const ModelMessages& messages, bool strict,
                    const ShowLine& show) {
    if (!strict || messages.Errors() == 0) return false;
    Show(show, StrictStop(model, messages));
    return true;
}

int ExitAfterModelErrors(int code, const std::string& model, const ModelMessages& messages,
                         const ShowLine& show, bool ran) {
    if (code != kExitOk || messages.Errors() == 0) return code;
    Show(show, RanWithErrors(model, messages, ran));
    return kExitModelErrors;
}

std::string ErrorsDuringRun(int64_t errors) {
    return fmt::format("{} {} during the run", errors, errors == 1 ? "error" : "errors");
}

int ExitAfterRunErrors(int code, const std::string& model, int64_t errors, const ShowLine& show) {
    if ((code != kExitOk && code != kExitModelErrors) || errors == 0) return code;
    Show(show, fmt::format("{}: {}; it ran all the same", model, ErrorsDuringRun(errors)));
    return kExitModelErrors;
}

}  // namespace kz7::app
