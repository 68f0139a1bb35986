// kz7 report-html DB [--run N] [-o FILE]: the HTML report of a stored run.
#include <fmt/format.h>

#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "Commands.h"
#include "HtmlReport.h"
#include "HtmlReportPage.h"
#include "HtmlReportSource.h"

namespace kz7::app {

namespace {

struct HtmlReportArguments {
    std::string database;
    std::optional<int64_t> run;
    std::string out = "report.html";
};

int RunHtmlReport(const HtmlReportArguments& arguments) {
    try {
        ResultDatabase database(arguments.database, ResultDatabase::Access::ReadOnly);
        WriteHtmlReport(database, arguments.run, arguments.out);
        fmt::print("{}\n", arguments.out);
        return kExitOk;
    } catch (const std::exception& error) {
        fmt::print(stderr, "kz7 report-html: {}\n", error.what());
        return kExitFailed;
    }
}

}  // namespace

void WriteHtmlReport(ResultDatabase& database, std::optional<int64_t> run,
                     const std::filesystem::path& file) {
    const HtmlReportData data = BuildHtmlReportData(LoadHtmlReportInput(database, run));
    WriteFileWhole(file, HtmlReportPage(data));
}

void RegisterHtmlReportCommand(CLI::App& app) {
    auto arguments = std::make_shared<HtmlReportArguments>();
    CLI::App* command = app.add_subcommand(
        "report-html", "Write a self-contained HTML report with charts of a stored run");
    command->add_option("DB", arguments->database, "Result database")->required();
    command->add_option("--run", arguments->run,
                        "The run (default: the last simulate, heatloss or heatgain run)");
    command->add_option("-o,--out", arguments->out, "Report file")->capture_default_str();
    command->callback([arguments] { SetExitCode(RunHtmlReport(*arguments)); });
}

}  // namespace kz7::app
