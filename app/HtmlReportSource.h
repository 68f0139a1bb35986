#pragma once
// Reads what the HTML report of a run needs from a result database. All
// database access of the report lives in HtmlReportSource.cpp.
#include <cstdint>
#include <optional>

#include "HtmlReportData.h"
#include "ResultDatabase.h"

namespace kz7::app {

// The run `run` of `database`, or its last simulate, heatloss or heatgain run
// when empty. Throws ResultDatabaseError naming the file when there is no
// such run, the run is of another command, or a record is damaged.
HtmlReportInput LoadHtmlReportInput(ResultDatabase& database, std::optional<int64_t> run);

}  // namespace kz7::app
