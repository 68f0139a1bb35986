#pragma once
// Starts outside command-line tools and waits for them, capturing what they
// print. A command runs from a small shell script written into its working
// folder; the script changes to that folder and runs the command, and a
// child shell runs the script with its standard output and error going into
// a pipe that is drained until the child ends. Progress and failures go to
// the diagnostics log when the host has named one.
#include <cstdint>
#include <filesystem>
#include <string>

namespace kz7 {

class EngineState;

// What one run of a script gave.
struct ProcessOutcome {
    bool started = false;   // the child process was created
    int32_t exitCode = -1;  // exit status; 128 + signal when killed; -1 when not started
    std::string output;     // captured standard output and error, or the failure text
};

// How the child's window is shown. Without windows only the difference
// between hidden (output captured) and shown (output left on the host's
// terminal) remains.
enum class WindowStyle : int32_t {
    Hidden = 0,
    Normal = 1,
    Minimized = 2,
    Maximized = 3,
    MinimizedNoActivate = 6
};

class ProcessRunner {
  public:
    // The script keeps the batch file's name; it is run through the shell,
    // so the name needs no executable extension.
    static constexpr const char* kScriptName = "runprog.bat";

    explicit ProcessRunner(EngineState& state) : state_(state) {}

    // Writes the script for `sShell` into the folder `sDefaultDir` (ending in
    // a separator or not; empty means the current folder), runs it and puts
    // what it printed into `sStdOut`. False when the script could not be
    // written (nothing is run and `sStdOut` is left as it was); true
    // otherwise, also when the child could not be started (`sStdOut` then
    // holds the failure text) or ended with an error (see LastOutcome).
    // `Owner`, `sError` and `lTimeOut` take no part: there is no time-out.
    bool ShellAndWait(int32_t& Owner, std::string& sShell, std::string& sDefaultDir, bool& bPause,
                      std::string& sStdOut, int32_t eWindowStyle = 0,
                      const std::string& sError = {}, int32_t lTimeOut = 0);

    // The script text: change to `folder` (ending the script when that
    // fails), run `command`, and with `pause` wait for an answer on the
    // standard input before ending, keeping the command's exit status.
    static std::string ScriptText(const std::filesystem::path& folder, const std::string& command,
                                  bool pause);

    // Runs the script `fileName` of `folder` with the window style (0 to 6)
    // and returns what it printed; hidden is the only style that captures.
    ProcessOutcome RunScript(const std::filesystem::path& folder, const std::string& fileName,
                             int32_t windowStyle);

    // The outcome of the last run of this runner.
    const ProcessOutcome& LastOutcome() const { return lastOutcome_; }

    // The shell that runs the scripts.
    std::string shellProgram = "/bin/sh";
    // Descriptor the child reads as standard input (a pause waits on it);
    // -1 lets the child share the host's standard input.
    int childInput = -1;

  private:
    bool WriteScript(const std::filesystem::path& path, const std::string& text);
    WindowStyle ResolveWindowStyle(int32_t value);
    void Log(const std::string& line);

    EngineState& state_;
    ProcessOutcome lastOutcome_;
};

}  // namespace kz7
