#pragma once
// The HTML report of a stored run: read it from the result database, work
// out what the page draws and write the page (HtmlReportSource, HtmlReportData,
// HtmlReportPage).
#include <cstdint>
#include <filesystem>
#include <optional>

#include "ResultDatabase.h"

namespace kz7::app {

// Writes the report of run `run` (the last simulate, heatloss or heatgain run
// when empty) to `file`. Throws ResultDatabaseError or std::runtime_error
// with a one-line reason.
void WriteHtmlReport(ResultDatabase& database, std::optional<int64_t> run,
                     const std::filesystem::path& file);

}  // namespace kz7::app
