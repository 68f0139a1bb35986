// kz7 report MODEL [--type N] [--costs] [--table-sizes] [--currency CODE]
// [--rate X] [--separator C] [--out FILE] [--temp-dir DIR] [--support DIR]: writes the model
// report to a new temporary file and prints its path.
#include <fmt/core.h>

#include <cmath>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>

#include "Commands.h"
#include "ModelChecks.h"
#include "ModelMessages.h"
#include "kz7/control/SimulateX.h"
#include "kz7/engine/EngineState.h"
#include "kz7/platform/InputFile.h"
#include "kz7/platform/OutputFile.h"

namespace kz7::app {

namespace {

struct ReportOptions {
    std::string model;
    std::string support;
    bool strict = false;
    int32_t type = 1;
    bool costs = false;
    bool tableSizes = false;
    std::string currency;
    double rate = 1.0;
    std::string separator;
    std::string out;
    std::string tempDir;
};

// A separator must be one character that cannot be part of a quoted field's frame.
bool ValidSeparator(const std::string& separator) {
    return separator.size() == 1 && separator[0] != '"' && separator[0] != '\n' &&
           separator[0] != '\r';
}

// Copies `from` to `to` whole, or leaves `to` as it was.
bool CopyWhole(const std::string& from, const std::string& to, std::string& problem) {
    const std::optional<std::string> text = ReadWholeFile(from);
    if (!text) {
        problem = from + ": cannot be read";
        return false;
    }
    return WriteWholeFile(to, *text, problem);
}

int WriteReport(SimulateX& control, const ReportOptions& options);

int RunReport(const ReportOptions& options) {
    if (!options.separator.empty() && !ValidSeparator(options.separator)) {
        fmt::print(
            stderr,
            "--separator must be a single character other than a double quote or a line end\n");
        return kExitUsage;
    }
    if (!(std::isfinite(options.rate) && options.rate > 0.0)) {
        fmt::print(stderr, "--rate must be a positive number\n");
        return kExitUsage;
    }
    SimulateX control;
    return WithModel(control, {options.model, options.support, options.strict},
                     [&] { return WriteReport(control, options); });
}

int WriteReport(SimulateX& control, const ReportOptions& options) {
    if (ReportProblems(options.model, ModelProblems(control.State()))) return kExitFailed;

    control.SetReportType(options.type);
    control.SetIncludeCostOutputs(options.costs);
    control.SetIncludeTableSizeHeaderReports(options.tableSizes);
    control.SetCurrencyCode(options.currency);
    control.SetGBPConversionRate(options.rate);
    if (!options.separator.empty()) control.State().settings.listSeparator = options.separator[0];
    control.State().settings.temporaryFolder = options.tempDir;
    try {
        control.StandardReport();
    } catch (const std::exception& error) {
        fmt::print(stderr, "{}: the report could not be written: {}\n", options.model,
                   error.what());
        return kExitFailed;
    }
    const std::string& report = control.CSVReportFilename();
    fmt::print("{}\n", report);
    if (!options.out.empty()) {
        std::string problem;
        if (!CopyWhole(report, options.out, problem)) {
            fmt::print(stderr, "{}: cannot copy the report to {}: {}\n", options.model, options.out,
                       problem);
            return kExitFailed;
        }
        fmt::print("copied to {}\n", options.out);
    }
    return kExitOk;
}

}  // namespace

void RegisterReportCommand(CLI::App& app) {
    auto options = std::make_shared<ReportOptions>();
    CLI::App* command =
        app.add_subcommand("report", "Write the model report with carbon and cost tables");
    command->add_option("MODEL", options->model, "Model document")->required();
    command->add_option(
        "--type", options->type,
        "1 or 2: standard with carbon and cost sections (default 1); 3: CasaClima layout; "
        "other: standard without them");
    command->add_flag("--costs", options->costs, "Include the cost section");
    command->add_flag("--table-sizes", options->tableSizes,
                      "Write a size line before each carbon and cost table");
    command->add_option("--currency", options->currency,
                        "Currency code of the cost headings (default GBP)");
    command->add_option("--rate", options->rate,
                        "Conversion rate from GBP to the currency (default 1)");
    command->add_option("--separator", options->separator, "List separator (default ,)");
    command->add_option("-o,--out", options->out, "Copy the report to this file as well");
    command->add_option("--temp-dir", options->tempDir,
                        "Folder of the report file (default: the system's temporary folder)");
    command->add_option("--support", options->support, "Support folder holding Dbs.KZ7");
    AddStrictOption(*command, options->strict);
    command->callback([options] { SetExitCode(RunReport(*options)); });
}

}  // namespace kz7::app
