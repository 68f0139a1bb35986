#pragma once
// One SBEM run: writes "model.inp" and "sbem.ini" into the SBEM working
// folder, runs the tool, checks its error report, runs the certificate
// generator when one is wanted, and hands the tool's results to the host as
// monthly result records and the annual array.
#include <filesystem>
#include <string>

#include "kz7/control/OutputData.h"
#include "kz7/export/SbemRunParameters.h"

namespace kz7 {

class EngineState;

class SbemRun {
  public:
    // The base name of every file of a run.
    static constexpr const char* kBaseName = "model";
    // The tool programs, found on the PATH.
    static constexpr const char* kSbemProgram = "sbem.exe";
    static constexpr const char* kEpcProgram = "epcgen.exe";
    static constexpr const char* kBerProgram = "bergen.exe";

    SbemRun(EngineState& state, const SbemRunParameters& parameters);

    // The whole run; true when results were loaded. `annualResults`
    // receives the primary-energy figures.
    bool Run(ValueArray& annualResults);

    // The command lines, quoted for the shell.
    std::string SbemCommand() const;
    std::string GeneratorCommand() const;

  private:
    std::filesystem::path File(const std::string& suffix) const;
    void DeleteOldFiles() const;
    bool WriteInputFile();
    // A two-line initialisation file: the folder and the input file.
    bool WriteIniFile(const std::string& name, const std::string& inputSuffix) const;
    bool RunTool(const std::string& command);
    bool ToolSucceeded() const;
    bool RunGenerator();
    bool LoadResults(ValueArray& annualResults);
    std::string ProxyArgument() const;
    void RemoveScript() const;
    bool Fail();

    EngineState& state_;
    const SbemRunParameters& parameters_;
    std::filesystem::path folder_;
};

}  // namespace kz7
