#include "RunSession.h"

#include <fmt/format.h>

#include "Commands.h"
#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"

namespace kz7::app {

RunSession::RunSession(EngineState& state, ResultDatabase& database, const RunInfo& info,
                       bool quiet, std::FILE* messages)
    : state_(state),
      quiet_(quiet),
      messages_(messages),
      progress_(messages, !quiet && ProgressBar::IsTerminal(messages)),
      run_(database, info) {}

void RunSession::OnMessage(std::string_view text) {
    if (!quiet_) progress_.ShowMessage(text);
}

void RunSession::OnWarning(std::string_view text) {
    progress_.ShowMessage(fmt::format("Warning: {}", text));
}

void RunSession::OnProgress(float fraction) {
    progress_.Update(fraction);
}

void RunSession::OnError(std::string_view text) {
    lastError_ = text;
    progress_.ShowMessage(fmt::format("Error: {}", text));
}

std::function<void(const std::string&)> RunSession::ErrorHandler() {
    return [this](const std::string& text) { OnError(text); };
}

std::function<void()> RunSession::YieldHandler() const {
    return CancelOnInterrupt(state_, interrupt_);
}

int RunSession::Finish() {
    progress_.Clear();
    if (interrupt_.Requested()) {
        run_.Finish(RunStatus::Cancelled);
        return kExitCancelled;
    }
    if (state_.engine && state_.engine->Cancelled) {
        run_.Finish(RunStatus::Failed,
                    lastError_.empty() ? "the engine stopped the run" : lastError_);
        return kExitFailed;
    }
    run_.Finish(RunStatus::Finished);
    return kExitOk;
}

int RunSession::Fail(std::string_view reason) {
    progress_.Clear();
    fmt::print(messages_, "{}\n", reason);
    try {
        run_.Finish(RunStatus::Failed, reason);
    } catch (const ResultDatabaseError& error) {
        // The run stays 'running'; the database's own reason comes second.
        fmt::print(messages_, "{}\n", error.what());
    }
    return kExitFailed;
}

}  // namespace kz7::app
