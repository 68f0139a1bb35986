#pragma once
// Files the HTML report inlines, embedded when kz7 is built (CMake writes
// HtmlReportAssets.cpp from them), so that kz7 needs none of them at run
// time: Chart.js from Debian's libjs-chart.js, and app/html/report.{js,css}.
#include <string_view>

namespace kz7::app {

extern const std::string_view kChartJs;
extern const std::string_view kChartJsVersion;
extern const std::string_view kReportScript;
extern const std::string_view kReportStyle;

}  // namespace kz7::app
