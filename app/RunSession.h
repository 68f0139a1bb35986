#pragma once
// Everything a command needs around one engine run: the run in the result
// database, the progress bar and the engine's messages on standard error,
// and Ctrl-C turned into the engine's Cancelled. A command connects the
// control's events to the On... methods and ends with Finish or Fail:
//
//     ResultDatabase database(dbPath);
//     RunSession session(state, database, {"simulate", model, weather}, quiet);
//     ... control.SaveResultRecord -> session.OnRecord, MessageChange -> session.OnMessage,
//         ProgressChange -> session.OnProgress; state.yieldHandler = session.YieldHandler();
//     control.Simulate();
//     return session.Finish();            // 0 finished, 130 cancelled
//
// An exception from the engine or the database goes to Fail(reason), which
// marks the run failed and gives exit code 1.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Interrupt.h"
#include "Progress.h"
#include "ResultDatabase.h"

namespace kz7 {
class EngineState;
}

namespace kz7::app {

// How a host other than the command line (the Python package) hears a run
// and stops it. A member left empty keeps the command line's way: standard
// error, and Ctrl-C through a signal handler of the run's own.
struct RunHooks {
    // The engine's messages and errors ("Error: <text>"), one line each.
    std::function<void(std::string_view)> message;
    // The one-line reason a run could not start or failed.
    std::function<void(std::string_view)> problem;
    // Asked wherever the engine yields; true cancels the run as Ctrl-C does.
    // With it, no signal handler is installed: the host keeps its own.
    std::function<bool()> interrupted;
};

// The engine's errors during a run, counted by kind (the text with its
// numbers left out) so that only the first few of each are shown: a
// weather file without the run's dates gives "No weather data for 7:00 3/1"
// for every hour of the year.
class ErrorTally {
  public:
    static constexpr int64_t kShownPerKind = 3;
    // Counts `text`; true when it is among the first kShownPerKind of its kind.
    bool Count(std::string_view text);
    int64_t Total() const { return total_; }
    // One line for each kind with errors not shown:
    // `1234 more errors like "<the first not shown>" were not shown`.
    std::vector<std::string> Unshown() const;

  private:
    struct Kind {
        int64_t count = 0;
        std::string firstUnshown;
    };
    std::unordered_map<std::string, size_t> byPattern_;
    std::vector<Kind> kinds_;  // in the order they first came
    int64_t total_ = 0;
};

class RunSession {
  public:
    // `quiet` hides the progress bar and the engine's messages, which go to
    // `messages` (the bar only when it is a terminal). A message the same as
    // the one just before it is shown once.
    RunSession(EngineState& state, ResultDatabase& database, const RunInfo& info, bool quiet,
               std::FILE* messages = stderr, RunHooks hooks = {});
    RunSession(const RunSession&) = delete;
    RunSession& operator=(const RunSession&) = delete;

    RunWriter& Run() { return run_; }

    void OnRecord(const ResultRecord& record) { run_.Store(record); }
    void OnMessage(std::string_view text);
    // A warning of the engine's: shown even when quiet.
    void OnWarning(std::string_view text);
    void OnProgress(float fraction);
    // The engine's error dialog: "Error: <text>", shown even when quiet, the
    // first few of each kind (ErrorTally); Finish and Fail count the rest.
    void OnError(std::string_view text);
    // The engine's errors during the run, shown or not.
    int64_t ErrorCount() const { return errors_.Total(); }
    // For `state.yieldHandler`: sets the engine's Cancelled after Ctrl-C (or
    // once the hooks' `interrupted` said so).
    std::function<void()> YieldHandler();
    // For `state.errorHandler`: OnError.
    std::function<void(const std::string&)> ErrorHandler();

    // Ends the run: 'cancelled' after Ctrl-C (exit code 130); 'failed' when
    // the engine cancelled the run itself, as it does when its set-up fails
    // (exit code 1, the last error as the note); else 'finished' (0). A
    // finished run that had errors keeps them in its note, so that a reader
    // of the database can tell it from a clean run: `modelErrors` (what
    // ModelMessages::ErrorsNote gives), then the errors during the run.
    int Finish(std::string_view modelErrors = {});
    // Ends the run as 'failed' with `reason`, printed on standard error;
    // returns exit code 1.
    int Fail(std::string_view reason);

  private:
    bool Interrupted() const;
    void Say(std::string_view text);      // a message line
    void Tell(std::string_view problem);  // the reason of a failure
    void SayUnshownErrors();
    std::string FinishedNote(std::string_view modelErrors) const;

    EngineState& state_;
    bool quiet_;
    std::FILE* messages_;
    RunHooks hooks_;
    std::string firstError_;
    std::string lastError_;
    ErrorTally errors_;
    std::string lastMessage_;  // the engine repeats some messages once per zone
    std::optional<InterruptHandler> interrupt_;  // none when the hooks catch interrupts
    bool interrupted_ = false;                   // what the hooks' `interrupted` last said
    ProgressBar progress_;
    RunWriter run_;
};

}  // namespace kz7::app
