#pragma once
// The HTML report page: one self-contained file (styles, Chart.js, the page
// script and the report's data inlined) that opens offline in any browser.
#include <filesystem>
#include <string>

#include "HtmlReportData.h"

namespace kz7::app {

std::string HtmlReportPage(const HtmlReportData& data);

// The data block the page script draws from, as JSON text safe inside a
// <script> element.
std::string HtmlReportJson(const HtmlReportData& data);

// Writes `text` to a sibling of `file` created for this call alone and
// renames it into place, so that `file` is either the whole report or left
// as it was. Throws std::runtime_error naming the file.
void WriteFileWhole(const std::filesystem::path& file, const std::string& text);

}  // namespace kz7::app
