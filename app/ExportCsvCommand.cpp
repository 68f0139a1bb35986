// kz7 export-csv DB [--run N] [--interval NAME] [--zone Z] [--out DIR]
#include <fmt/format.h>

#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Commands.h"
#include "CsvExport.h"
#include "ModelMessages.h"
#include "ResultDatabase.h"

namespace kz7::app {

namespace {

struct ExportCsvArguments {
    std::string database;
    std::optional<int64_t> run;
    std::string interval;
    std::optional<int32_t> zone;
    std::string out = ".";
};

// Why an exported run's records may stop short of its period.
std::string UnfinishedRunNotice(const RunFacts& run) {
    if (run.status == RunStatusText(RunStatus::Cancelled))
        return fmt::format("run {} was cancelled: its records stop where it ended", run.id);
    if (run.status == RunStatusText(RunStatus::Failed))
        return fmt::format("run {} failed{}: its records stop where it ended", run.id,
                           run.note.empty() ? "" : " (" + run.note + ")");
    return fmt::format(
        "run {} has not finished: it is still being written, or the process writing it ended "
        "without finishing it; its records stop where it had got to",
        run.id);
}

int RunExportCsv(const ExportCsvArguments& arguments) {
    try {
        ResultDatabase database(arguments.database, ResultDatabase::Access::ReadOnly);
        CsvExportOptions options;
        options.run = arguments.run;
        if (!arguments.interval.empty()) options.interval = IntervalCode(arguments.interval);
        options.zone = arguments.zone;
        options.outFolder = arguments.out;
        CsvExport csvExport(database, options);
        const std::vector<CsvFile> files = csvExport.Write();
        if (files.empty()) {
            fmt::print(stderr, "kz7 export-csv: no records in {} match the selection\n",
                       arguments.database);
            return kExitFailed;
        }
        for (const CsvFile& file : files) {
            fmt::print("{} ({})\n", file.path.string(), Counted(file.rows, "row"));
        }
        for (const RunFacts& run : csvExport.UnfinishedRuns())
            fmt::print(stderr, "kz7 export-csv: {}\n", UnfinishedRunNotice(run));
        return kExitOk;
    } catch (const std::exception& error) {
        fmt::print(stderr, "kz7 export-csv: {}\n", error.what());
        return kExitFailed;
    }
}

}  // namespace

void RegisterExportCsvCommand(CLI::App& app) {
    auto arguments = std::make_shared<ExportCsvArguments>();
    CLI::App* command = app.add_subcommand(
        "export-csv", "Write the results of a result database as CSV files for spreadsheets");
    command->add_option("DB", arguments->database, "Result database")->required();
    command->add_option("--run", arguments->run, "Only this run (default: every run)");
    // The names the database gives its intervals, so that help and check
    // cannot leave one out.
    std::vector<std::string> intervals;
    for (int16_t code = 1; code <= kLastIntervalCode; ++code)
        intervals.emplace_back(IntervalName(code));
    const std::string listed = fmt::format(
        "{} or {}", fmt::join(intervals.begin(), intervals.end() - 1, ", "), intervals.back());
    command->add_option("--interval", arguments->interval, "Only this interval: " + listed)
        ->check(CLI::IsMember(intervals));
    command->add_option("--zone", arguments->zone,
                        "Only this zone number (0 building and plant, -1 weather)");
    command->add_option("-o,--out", arguments->out,
                        "Folder for the files (default: current folder)");
    command->callback([arguments] { SetExitCode(RunExportCsv(*arguments)); });
}

}  // namespace kz7::app
