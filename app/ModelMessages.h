#pragma once
// What the engine said about a model while reading it: its errors and
// warnings in order, with their counts, and how they decide a command's exit
// code (`--strict`: any error stops the command before it runs; without it
// the command runs and ends with exit code 3).
#include <CLI/CLI.hpp>
#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "kz7/input/RecordProblem.h"

namespace kz7 {
class EngineState;
}

namespace kz7::app {

// Exit code of a command that ran on a model with errors.
constexpr int kExitModelErrors = 3;

struct ModelMessage {
    Severity severity = Severity::Error;
    std::string text;
};

class ModelMessages {
  public:
    // Routes the engine's errors and warnings here from now on. With `echo`
    // each is also written to standard error as it comes ("Error: ...",
    // "Warning: ..."). When `support` (--support) is empty and no default
    // folder is found either (SupportFolder), a missing construction or
    // profile says how to give one.
    void Connect(EngineState& state, const std::string& support, bool echo);

    void Add(Severity severity, std::string text);
    const std::vector<ModelMessage>& All() const { return messages_; }
    int32_t Count(Severity severity) const;
    int32_t Errors() const { return Count(Severity::Error); }
    // "2 errors, 1 warning"
    std::string CountText() const;
    // "the model: 2 errors, 1 warning, the first: <text>", or empty without errors.
    std::string ErrorsNote() const;

  private:
    std::vector<ModelMessage> messages_;
    bool noSupport_ = false;
    bool echo_ = false;
};

// "error" or "warning".
const char* SeverityName(Severity severity);
// "Error: <text>" or "Warning: <text>".
std::string MessageLine(const ModelMessage& message);

// "1 error", "2 errors": `count` and `noun`, with an "s" unless it is 1.
std::string Counted(int64_t count, const char* noun);

// {"errors": n, "warnings": n, "messages": [{"severity", "text"}, ...]}
nlohmann::ordered_json MessagesJson(const ModelMessages& messages);

// Adds --strict to a command that reads a model.
void AddStrictOption(CLI::App& command, bool& strict);

// Where StopsForStrict and ExitAfterModelErrors show their line; by default
// standard error, as "kz7: <line>".
using ShowLine = std::function<void(const std::string&)>;

// With `strict` and errors in the model: shows why the command stops
// ("<model>: 8 errors, 0 warnings; not run (--strict)") and returns true (the
// command exits 1 before it runs).
bool StopsForStrict(const std::string& model, const ModelMessages& messages, bool strict,
                    const ShowLine& show = nullptr);

// The exit code of a command that ran: `code` as it is, unless the command
// succeeded on a model with errors, which shows their count on one line
// ("<model>: 8 errors, 0 warnings; it ran all the same (--strict stops it)";
// "the command went on all the same" for a command that runs no
// calculation over time: `ran` false) and gives kExitModelErrors.
int ExitAfterModelErrors(int code, const std::string& model, const ModelMessages& messages,
                         const ShowLine& show = nullptr, bool ran = true);

// "8791 errors during the run" ("1 error ...").
std::string ErrorsDuringRun(int64_t errors);

// ExitAfterModelErrors for the errors the engine reported while it ran (a
// weather file without the run's dates): a run that finished with `errors` of them shows
// their count ("<model>: 8760 errors during the run; it ran all the same")
// and gives kExitModelErrors.
int ExitAfterRunErrors(int code, const std::string& model, int64_t errors,
                       const ShowLine& show = nullptr);

}  // namespace kz7::app
