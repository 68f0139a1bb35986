#include "HtmlReportPage.h"

#include <cmath>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "HtmlReportAssets.h"
#include "kz7/platform/OutputFile.h"

namespace kz7::app {

namespace {

using nlohmann::json;

// Three decimals are more than any chart shows and keep the file small.
double Rounded(double value) {
    return std::nearbyint(value * 1000.0) / 1000.0;
}

json Numbers(const std::vector<double>& values) {
    json list = json::array();
    for (double value : values) list.push_back(Rounded(value));  // NaN is written as null
    return list;
}

json Months(const std::optional<MonthValues>& months) {
    if (!months) return nullptr;
    return Numbers({months->begin(), months->end()});
}

json OptionalNumber(const std::optional<double>& value) {
    return value ? json(*value) : json(nullptr);
}

json CarpetJson(const Carpet& carpet) {
    if (carpet.tenths.empty()) return nullptr;
    json tenths = json::array();
    for (int32_t cell : carpet.tenths)
        tenths.push_back(cell == Carpet::kNoCell ? json(nullptr) : json(cell));
    return {{"tenths", std::move(tenths)}};
}

json HistogramJson(const Histogram& histogram) {
    if (histogram.hours.empty()) return nullptr;
    return {{"first", histogram.firstBand}, {"hours", Numbers(histogram.hours)}};
}

json CurveJson(const LoadCurve& curve) {
    if (curve.load.empty()) return nullptr;
    return {{"hours", Numbers(curve.hours)}, {"load", Numbers(curve.load)}};
}

json DayJson(const std::optional<DayProfile>& day) {
    if (!day) return nullptr;
    return {{"day", day->day},
            {"hour", Numbers(day->hour)},
            {"air", Numbers(day->air)},
            {"radiant", Numbers(day->radiant)},
            {"outside", Numbers(day->outside)},
            {"load", Numbers(day->load)}};
}

json ZoneJson(const ZoneReport& zone) {
    return {{"zone", zone.zone},
            {"key", zone.key},
            {"name", zone.name},
            {"area", OptionalNumber(zone.floorArea)},
            {"fig", FiguresJson(zone.figures)},
            {"monthly_heating", Months(zone.monthlyHeating)},
            {"monthly_cooling", Months(zone.monthlyCooling)},
            {"monthly_peak_cooling", Months(zone.monthlyPeakCooling)},
            {"carpet", CarpetJson(zone.carpet)},
            {"histogram", HistogramJson(zone.airHistogram)},
            {"heating_curve", CurveJson(zone.heatingCurve)},
            {"cooling_curve", CurveJson(zone.coolingCurve)},
            {"peak_heating_day", DayJson(zone.peakHeatingDay)},
            {"peak_cooling_day", DayJson(zone.peakCoolingDay)}};
}

json PlantJson(const std::optional<PlantReport>& plant) {
    if (!plant) return nullptr;
    json uses = json::array(), fuels = json::array();
    for (const auto& [name, months] : plant->fuelByUse)
        uses.push_back({{"name", name}, {"months", Months(months)}});
    for (const auto& [name, kwh] : plant->fuelByFuel)
        fuels.push_back({{"name", name}, {"kwh", Rounded(kwh)}});
    return {
        {"uses", std::move(uses)}, {"fuels", std::move(fuels)}, {"carbon", Months(plant->carbon)}};
}

const char* LayoutName(ReportLayout layout) {
    switch (layout) {
        case ReportLayout::HeatLoss:
            return "heatloss";
        case ReportLayout::HeatGain:
            return "heatgain";
        case ReportLayout::Annual:
            break;
    }
    return "annual";
}

json FactsJson(const HtmlReportData& data) {
    const ReportRunFacts& facts = data.facts;
    return {{"run", facts.run},
            {"command", facts.command},
            {"layout", LayoutName(data.layout)},
            {"model", facts.model},
            {"weather", facts.weather},
            {"status", facts.status},
            {"note", facts.note},
            {"started_at", facts.startedAt},
            {"finished_at", facts.finishedAt},
            {"engine_version", facts.engineVersion},
            {"label", facts.label},
            {"parameters", facts.parameters},
            {"time_step_minutes", OptionalNumber(facts.timeStepMinutes)}};
}

std::string HtmlEscaped(std::string_view text) {
    std::string escaped;
    for (char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

// Collects script errors before anything else runs, for the page's self-test.
constexpr std::string_view kErrorHook =
    "window.kz7Errors=[];"
    "window.addEventListener('error',function(e){window.kz7Errors.push(String(e.message));});"
    "(function(){var log=console.error;console.error=function(){"
    "window.kz7Errors.push(Array.prototype.join.call(arguments,' '));"
    "return log.apply(console,arguments);};})();";

}  // namespace

std::string HtmlReportJson(const HtmlReportData& data) {
    json zones = json::array();
    zones.push_back(ZoneJson(data.building));
    for (const ZoneReport& zone : data.zones) zones.push_back(ZoneJson(zone));
    json period = nullptr;
    if (data.facts.firstDay && data.facts.lastDay)
        period = {*data.facts.firstDay, *data.facts.lastDay};
    const json page = {{"facts", FactsJson(data)},
                       {"period", std::move(period)},
                       {"floor_area", OptionalNumber(data.floorArea)},
                       {"zones", std::move(zones)},
                       {"plant", PlantJson(data.plant)}};
    // Names are the model's: bytes that are not UTF-8 become U+FFFD, and "</"
    // is written "<\/" so that no text can close the script element.
    std::string text = page.dump(-1, ' ', false, json::error_handler_t::replace);
    for (size_t at = text.find("</"); at != std::string::npos; at = text.find("</", at + 3))
        text.replace(at, 2, "<\\/");
    return text;
}

std::string HtmlReportPage(const HtmlReportData& data) {
    std::string title = "kz7 run " + std::to_string(data.facts.run);
    if (!data.facts.model.empty()) title += " — " + data.facts.model;
    std::string page;
    page.reserve(kChartJs.size() + kReportScript.size() + kReportStyle.size() + (1 << 20));
    page += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    page += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
    page += "<meta name=\"generator\" content=\"kz7 " KZ7_VERSION "\">\n";
    page += "<title>" + HtmlEscaped(title) + "</title>\n";
    page += "<script>";
    page += kErrorHook;
    page += "</script>\n<style>\n";
    page += kReportStyle;
    page += "</style>\n</head>\n<body>\n<main id=\"report\"></main>\n";
    page += "<pre id=\"kz7-selftest\"></pre>\n";
    page += "<script type=\"application/json\" id=\"kz7-data\">";
    page += HtmlReportJson(data);
    page += "</script>\n<script>\n";
    page += kChartJs;
    page += "\n</script>\n<script>\n";
    page += kReportScript;
    page += "</script>\n</body>\n</html>\n";
    return page;
}

// The folder is made when missing, as export-csv makes its own.
void WriteFileWhole(const std::filesystem::path& file, const std::string& text) {
    std::string problem;
    if (file.has_parent_path() && !MakeFolder(file.parent_path(), problem))
        throw std::runtime_error(problem);
    if (!WriteWholeFile(file, text, problem)) throw std::runtime_error("cannot write " + problem);
}

}  // namespace kz7::app
