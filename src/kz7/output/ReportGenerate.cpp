// SimKZ7::GenerateReport: the whole report, written to a new temporary file.
#include <ctime>
#include <string>

#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"
#include "kz7/input/Site.h"
#include "kz7/model/GlazedConstruction.h"
#include "kz7/model/OpaqueConstruction.h"
#include "kz7/model/Zone.h"
#include "kz7/output/ReportFile.h"
#include "kz7/platform/TempFile.h"

namespace kz7 {

namespace {

constexpr int32_t kReportRunKind = 2;
constexpr int32_t kCasaClimaReport = 3;

std::string CurrentDateTime() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    return std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local) > 0 ? std::string(text)
                                                                             : std::string();
}

// The version text of the model is the last text of the site record's
// number line; empty when the model has no site record.
std::string ModelVersion(const EngineState& state) {
    const std::vector<std::string>& details = state.site->Details;
    return details.empty() ? std::string() : details.back();
}

bool HasCarbonAndCostSections(int32_t reportType) {
    return reportType == 1 || reportType == 2;
}

}  // namespace

void SimKZ7::GenerateReport() {
    ProcessSettings& settings = state_.settings;
    state_.clock.runKind = kReportRunKind;
    Cancelled = false;
    // A report that fails leaves no name behind that could pass an older
    // report off as this one.
    settings.csvReportFilename.clear();
    ReportFile file(settings.listSeparator, settings.decimalSeparator);
    state_.message.SendTextMessage("Generating report");

    state_.zones->MatchPartitions();
    const bool casaClima = settings.reportType == kCasaClimaReport;
    if (casaClima) state_.zones->GenerateIds();
    file.Heading({casaClima ? "Veloran CasaClima Interface" : "VL report", CurrentDateTime(),
                  "VL Version " + ModelVersion(state_)});
    state_.opaqueConstructions->GenerateReport(file);
    state_.glazedConstructions->GenerateReport(file);
    state_.zones->GenerateReport(file);
    if (HasCarbonAndCostSections(settings.reportType)) {
        state_.zones->GenerateEmbodiedCO2Report(file);
        state_.zones->GenerateCostReport(file);
    }
    // The file is created exclusively and written whole; on failure it is
    // removed and the error ends the call.
    settings.csvReportFilename =
        WriteTemporaryFile(TemporaryFolder(settings.temporaryFolder), file.Text()).string();
}

}  // namespace kz7
