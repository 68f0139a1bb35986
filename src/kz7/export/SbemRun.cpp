#include "kz7/export/SbemRun.h"

#include <array>
#include <system_error>

#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"
#include "kz7/export/ProcessRunner.h"
#include "kz7/export/SbemModelWriter.h"
#include "kz7/export/SbemResults.h"
#include "kz7/export/ShellQuote.h"
#include "kz7/export/WriteToFile.h"
#include "kz7/model/Zone.h"
#include "kz7/platform/InputFile.h"
#include "kz7/platform/NumberText.h"
#include "kz7/platform/OutputFile.h"
#include "kz7/platform/OleDate.h"

namespace kz7 {

namespace {

constexpr int32_t kSbemRunKind = 3;
constexpr int16_t kIntervalMonth = 4;
constexpr int32_t kResultYear = 2003;
constexpr int32_t kNoTimeOut = 2000000000;
constexpr const char* kSuccessMark = "Number of errors:    0";
constexpr const char* kCancelOrError = "SBEM calculations cancel or error";

// Every file the tool and its generators leave in the working folder.
constexpr std::array<const char*, 26> kRunFileSuffixes = {
    ".inp",      ".err",        ".bdl",          ".sim",        "_sim.csv",       ".bat",
    "_brukl.inp", "_brukl_inp.csv", "_not.inp",   "_not.err",    "_not.bdl",       "_not_dr.csv",
    "_not_sim.csv", "_not.sim",  "_epc.inp",      "_epc.err",    "_epc.bdl",       "_epc.csv",
    "_epc_inp.csv", "_epc_inpkey.txt", "_dr.csv", "_ref_sim.csv", "_ref.sim",      "_typ.sim",
    "_SBEM.err",  "_ber.inp"};
constexpr const char* kGeneratorLog = "EPCgen.log";

// The ini files are written under the very name the generator's command
// line gives, so that they are found on a case-sensitive file system.
constexpr const char* kEpcIni = "EPCgen.ini";
constexpr const char* kBerIni = "BERgen.ini";

bool IsEpc(int32_t type) { return type >= 1 && type <= 4; }
bool IsBer(int32_t type) { return type == 5; }

}  // namespace

SbemRun::SbemRun(EngineState& state, const SbemRunParameters& parameters)
    : state_(state), parameters_(parameters), folder_(state.settings.sbemPath) {
    if (folder_.empty()) folder_ = ".";
    // The tool reads the folder from its ini file and runs elsewhere: a
    // relative folder would name nothing it can find.
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(folder_, error);
    if (!error) folder_ = absolute.lexically_normal();
}

std::filesystem::path SbemRun::File(const std::string& suffix) const { return folder_ / (kBaseName + suffix); }

bool SbemRun::Run(ValueArray& annualResults) {
    state_.clock.runKind = kSbemRunKind;
    state_.engine->Cancelled = false;
    state_.message.SendTextMessage("SBEM Calculation");
    DeleteOldFiles();
    if (!WriteInputFile()) return false;
    if (!WriteIniFile("sbem.ini", ".inp")) {
        state_.ShowError("Error: unable to create sbem.ini file");
        return false;
    }
    if (!RunTool(SbemCommand()) || !ToolSucceeded()) return Fail();
    if ((IsEpc(parameters_.EPCType) || IsBer(parameters_.EPCType)) && !RunGenerator()) return Fail();
    state_.message.SendTextMessage("Loading results");
    if (!LoadResults(annualResults)) return Fail();
    return true;
}

bool SbemRun::Fail() {
    state_.message.SendTextMessage(kCancelOrError);
    return false;
}

void SbemRun::DeleteOldFiles() const {
    std::error_code ignored;
    for (const char* suffix : kRunFileSuffixes) std::filesystem::remove(File(suffix), ignored);
    std::filesystem::remove(folder_ / kGeneratorLog, ignored);
}

bool SbemRun::WriteInputFile() {
    clsWriteToFile writer(state_);
    writer.writerMode = parameters_.AllowMergeZones ? WriterMode::SBEMZoneMerging : WriterMode::SBEM;
    writer.allowMergeZones = parameters_.AllowMergeZones;
    writer.Init();
    SbemModelWriter model(state_, writer, parameters_);
    model.CollectZones();
    const std::filesystem::path input = File(".inp");
    if (!writer.Open(input.string())) {
        state_.ShowError("Unable to create the SBEM input file " + input.string());
        return false;
    }
    model.WriteFile(state_.engine->DataFileName);
    if (!writer.Close()) {
        state_.ShowError("The SBEM input file " + input.string() + " could not be written completely");
        return false;
    }
    return true;
}

bool SbemRun::WriteIniFile(const std::string& name, const std::string& inputSuffix) const {
    std::string problem;
    if (WriteWholeFile(folder_ / name,
                       (folder_ / "").string() + "\r\n" + File(inputSuffix).string() + "\r\n",
                       problem))
        return true;
    state_.message.SendTextMessage(problem);
    return false;
}

std::string SbemRun::ProxyArgument() const {
    if (parameters_.ProxyServerUsername.empty() && parameters_.ProxyServerPassword.empty()) return {};
    std::string credentials = "pps=";
    credentials.append(parameters_.ProxyServerUsername).append(":").append(parameters_.ProxyServerPassword);
    std::string argument = ShellQuote(credentials);
    argument.insert(argument.begin(), ' ');
    return argument;
}

std::string SbemRun::SbemCommand() const {
    std::string command;
    if (parameters_.SBEM32bFeatures) {
        command = ShellCommandLine({kSbemProgram, "/I", "sbem.ini"}) + " 2>" + ShellQuote(File("_SBEM.err").string());
    } else {
        command = ShellCommandLine({kSbemProgram, "sbem.ini"});
    }
    return command + ProxyArgument();
}

std::string SbemRun::GeneratorCommand() const {
    if (IsBer(parameters_.EPCType)) {
        return ShellCommandLine({kBerProgram, "/I", kBerIni, "eac=" + parameters_.EAActivationCode}) + ProxyArgument();
    }
    return ShellCommandLine({kEpcProgram, "/I", kEpcIni}) + ProxyArgument();
}

bool SbemRun::RunTool(const std::string& command) {
    ProcessRunner runner(state_);
    int32_t owner = 0;
    std::string shell = command;
    std::string folder = folder_.string();
    bool pause = false;
    std::string output;
    const bool ran = runner.ShellAndWait(owner, shell, folder, pause, output, 0, {}, kNoTimeOut);
    RemoveScript();
    return ran && runner.LastOutcome().started && !state_.engine->Cancelled;
}

// The run script is of no use once the tool has ended, and it holds the
// whole command line, proxy credentials and lodgement code included: it is
// not left in the working folder, however the tool ended.
void SbemRun::RemoveScript() const {
    std::error_code ignored;
    std::filesystem::remove(folder_ / ProcessRunner::kScriptName, ignored);
}

bool SbemRun::ToolSucceeded() const {
    const std::string report = ReadWholeFile(File(".err")).value_or("");
    return !report.empty() && report.find(kSuccessMark) != std::string::npos;
}

bool SbemRun::RunGenerator() {
    const bool ber = IsBer(parameters_.EPCType);
    const std::string certificateInput = ber ? "_ber.inp" : "_epc.inp";
    if (!std::filesystem::exists(File(certificateInput))) {
        state_.ShowError("SBEM Terminated before writing input file for EPCGenerator");
        return false;
    }
    if (!WriteIniFile(ber ? kBerIni : kEpcIni, certificateInput)) {
        state_.ShowError(std::string("Error: unable to create ") + (ber ? kBerIni : kEpcIni) + " file");
        return false;
    }
    return RunTool(GeneratorCommand());
}

bool SbemRun::LoadResults(ValueArray& annualResults) {
    const std::optional<SbemSimResults> results = SbemSimResults::Load(File("_sim.csv"));
    if (!results) return false;
    const std::vector<int32_t> numbers = state_.zones->ResultNumbers();
    size_t position = 0;
    for (const Zone& zone : *state_.zones) {
        ++position;
        const auto months = results->ZoneMonths(SbemModelWriter::ZoneName(zone));
        if (!months) continue;  // merged into an identical zone, or not reported
        for (int32_t month = 1; month <= 12; ++month) {
            ValueArray values = (*months)[static_cast<size_t>(month - 1)];
            const double date = ToOleDate(kResultYear, month, DaysInMonth(month, kResultYear));
            state_.outputData.SaveData(kIntervalMonth, numbers[position], values, date);
        }
    }
    annualResults = results->PrimaryEnergy();
    return !state_.engine->Cancelled;
}

}  // namespace kz7
