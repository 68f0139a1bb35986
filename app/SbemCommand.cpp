// kz7 sbem MODEL --sbem-path DIR [options]: describes a model to SBEM, runs
// the tool (and a certificate generator) in DIR and prints the results it
// brings back, one line per result record.
#include <fmt/core.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "Commands.h"
#include "ModelChecks.h"
#include "ModelMessages.h"
#include "kz7/control/SimulateX.h"
#include "kz7/export/SbemRunParameters.h"
#include "kz7/platform/OleDate.h"
#include "kz7/platform/OutputFile.h"

namespace kz7::app {

namespace {

// The proxy password comes from the environment, never from the command
// line, where every user of the machine could read it.
constexpr const char* kProxyPasswordVariable = "KZ7_PROXY_PASSWORD";

struct SbemOptions {
    std::string model;
    std::string support;
    bool strict = false;
    std::string sbemPath;
    std::string diagnostics;
    bool ote = false;
    bool uat = false;
    SbemRunParameters run;
};

// "<interval>,<zone>,<date>,<values...>": interval 4 monthly, 5 annual.
void PrintRecord(int16_t interval, int32_t zone, const ValueArray& values, double date) {
    const CalendarDate day = FromOleDate(date);
    std::string line = fmt::format("{},{},{:04}-{:02}-{:02}", interval, zone, day.year, day.month, day.day);
    for (const std::string& value : values) line += "," + value;
    fmt::print("{}\n", line);
}

int WriteAndRunSbem(SimulateX& control, SbemOptions& options);

int RunSbem(SbemOptions& options) {
    SimulateX control;
    control.SaveSSData = [](int16_t& interval, int32_t& zone, ValueArray& values, double& date) {
        PrintRecord(interval, zone, values, date);
    };
    return WithModel(control, {options.model, options.support, options.strict},
                     [&] { return WriteAndRunSbem(control, options); });
}

int WriteAndRunSbem(SimulateX& control, SbemOptions& options) {
    // An empty path is the current folder.
    std::string problem;
    if (!options.sbemPath.empty() && !MakeFolder(options.sbemPath, problem)) {
        fmt::print(stderr, "kz7 sbem: {}\n", problem);
        return kExitFailed;
    }
    if (const char* password = std::getenv(kProxyPasswordVariable)) options.run.ProxyServerPassword = password;
    control.SetSBEMPath(options.sbemPath);
    control.SetDiagnosticsFilename(options.diagnostics);
    control.SetUseOTE(options.ote);
    control.SetUseUAT(options.uat);
    const SbemRunParameters& p = options.run;
    const bool loaded = control.SBEM(p.RegsType, p.EPCType, p.BERSTAGE, p.BRSTAGE, p.BRS6BTYPE, p.BRS6ACCREDCONST,
                                     p.BRS6NVCREDIT, p.EPClanguage, p.SBEMProduceEPCXML, p.SBEMScotlandRatingImprov,
                                     p.AllowMergeZones, p.GenDataReflection, p.SBEM32bFeatures, p.EAActivationCode,
                                     p.ProxyServerURL, p.ProxyServerPort, p.ProxyServerUsername,
                                     p.ProxyServerPassword);
    if (!loaded) return control.Cancelled() ? kExitCancelled : kExitFailed;
    control.GetAnnualSBEM();
    return kExitOk;
}

}  // namespace

void RegisterSbemCommand(CLI::App& app) {
    auto options = std::make_shared<SbemOptions>();
    SbemRunParameters& run = options->run;
    CLI::App* command = app.add_subcommand("sbem", "Write the SBEM input of a model, run SBEM and print its results");
    command->add_option("MODEL", options->model, "Model document")->required();
    command->add_option("--sbem-path", options->sbemPath, "SBEM working folder")->required();
    command->add_option("--support", options->support, "Support folder holding Dbs.KZ7");
    AddStrictOption(*command, options->strict);
    command->add_option("--regs", run.RegsType, "Building regulations 1..8");
    command->add_option("--epc", run.EPCType, "Certificate: 1..4 EPC, 5 Irish BER, 0 none");
    command->add_option("--br-stage", run.BRSTAGE, "1 as designed, 2 as built");
    command->add_option("--ber-stage", run.BERSTAGE, "1 as designed, 2 as built");
    command->add_option("--s6-type", run.BRS6BTYPE, "Scottish building kind 1..3");
    command->add_flag("--s6-accredited", run.BRS6ACCREDCONST, "Scottish accredited construction details");
    command->add_flag("--s6-nv-credit", run.BRS6NVCREDIT, "Scottish natural ventilation credit");
    command->add_option("--language", run.EPClanguage, "Certificate language");
    command->add_option("--epc-xml", run.SBEMProduceEPCXML, "Certificate XML option");
    command->add_option("--scotland-improvement", run.SBEMScotlandRatingImprov, "Scottish rating-improvement option");
    command->add_flag("--merge-zones", run.AllowMergeZones, "Write identical zones once with their summed multiplier");
    command->add_flag("--data-reflection", run.GenDataReflection, "Data-reflection option");
    command->add_flag("--sbem32", run.SBEM32bFeatures, "Run the tool with its 32-bit features (/I, error stream to a file)");
    command->add_option("--activation-code", run.EAActivationCode, "Energy assessor's lodgement code (BER)");
    command->add_option("--proxy-url", run.ProxyServerURL, "HTTP proxy server");
    command->add_option("--proxy-port", run.ProxyServerPort, "HTTP proxy port");
    command->add_option("--proxy-user", run.ProxyServerUsername,
                        std::string("HTTP proxy user; the password is read from ") + kProxyPasswordVariable);
    command->add_option("--diagnostics", options->diagnostics, "Diagnostics log file");
    command->add_flag("--ote", options->ote, "Lodge to the operational test environment");
    command->add_flag("--uat", options->uat, "Lodge to the user acceptance test environment");
    command->callback([options] { SetExitCode(RunSbem(*options)); });
}

}  // namespace kz7::app
