#include "RunSession.h"

#include <fmt/format.h>

#include <cctype>

#include "Commands.h"
#include "ModelMessages.h"
#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"

namespace kz7::app {

bool ErrorTally::Count(std::string_view text) {
    ++total_;
    std::string pattern;
    for (const char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c))) pattern += c;
    const auto [found, added] = byPattern_.try_emplace(std::move(pattern), kinds_.size());
    if (added) kinds_.emplace_back();
    Kind& kind = kinds_[found->second];
    if (++kind.count <= kShownPerKind) return true;
    if (kind.firstUnshown.empty()) kind.firstUnshown = text;
    return false;
}

std::vector<std::string> ErrorTally::Unshown() const {
    std::vector<std::string> lines;
    for (const Kind& kind : kinds_)
        if (kind.count > kShownPerKind)
            lines.push_back(fmt::format("{} more errors like \"{}\" were not shown",
                                        kind.count - kShownPerKind, kind.firstUnshown));
    return lines;
}

RunSession::RunSession(EngineState& state, ResultDatabase& database, const RunInfo& info,
                       bool quiet, std::FILE* messages, RunHooks hooks)
    : state_(state),
      quiet_(quiet),
      messages_(messages),
      hooks_(std::move(hooks)),
      progress_(messages, !quiet && !hooks_.message && ProgressBar::IsTerminal(messages)),
      run_(database, info) {
    if (!hooks_.interrupted) interrupt_.emplace();
}

void RunSession::Say(std::string_view text) {
    if (hooks_.message)
        hooks_.message(text);
    else
        progress_.ShowMessage(text);
}

void RunSession::OnMessage(std::string_view text) {
    if (quiet_ || text == lastMessage_) return;
    lastMessage_ = text;
    Say(text);
}

void RunSession::OnWarning(std::string_view text) {
    progress_.ShowMessage(fmt::format("Warning: {}", text));
}

void RunSession::OnProgress(float fraction) {
    progress_.Update(fraction);
}

void RunSession::OnError(std::string_view text) {
    if (errors_.Total() == 0) firstError_ = text;
    lastError_ = text;
    if (errors_.Count(text)) Say(fmt::format("Error: {}", text));
}

void RunSession::SayUnshownErrors() {
    for (const std::string& line : errors_.Unshown()) Say("kz7: " + line);
}

std::function<void(const std::string&)> RunSession::ErrorHandler() {
    return [this](const std::string& text) { OnError(text); };
}

bool RunSession::Interrupted() const {
    return interrupt_ ? interrupt_->Requested() : interrupted_;
}

std::function<void()> RunSession::YieldHandler() {
    if (interrupt_) return CancelOnInterrupt(state_, *interrupt_);
    return [this] {
        if (!interrupted_) interrupted_ = hooks_.interrupted();
        if (interrupted_ && state_.engine) state_.engine->Cancelled = true;
    };
}

std::string RunSession::FinishedNote(std::string_view modelErrors) const {
    std::string note(modelErrors);
    if (errors_.Total() > 0)
        note += fmt::format("{}{}, the first: {}", note.empty() ? "" : "; ",
                            ErrorsDuringRun(errors_.Total()), firstError_);
    return note;
}

int RunSession::Finish(std::string_view modelErrors) {
    SayUnshownErrors();
    progress_.Clear();
    if (Interrupted()) {
        run_.Finish(RunStatus::Cancelled);
        return kExitCancelled;
    }
    if (state_.engine && state_.engine->Cancelled) {
        run_.Finish(RunStatus::Failed,
                    lastError_.empty() ? "the engine stopped the run" : lastError_);
        return kExitFailed;
    }
    run_.Finish(RunStatus::Finished, FinishedNote(modelErrors));
    return kExitOk;
}

void RunSession::Tell(std::string_view problem) {
    if (hooks_.problem)
        hooks_.problem(problem);
    else
        fmt::print(messages_, "kz7: {}\n", problem);
}

int RunSession::Fail(std::string_view reason) {
    SayUnshownErrors();
    progress_.Clear();
    Tell(reason);
    try {
        run_.Finish(RunStatus::Failed, reason);
    } catch (const ResultDatabaseError& error) {
        // The run stays 'running'; the database's own reason comes second.
        Tell(error.what());
    }
    return kExitFailed;
}

}  // namespace kz7::app
