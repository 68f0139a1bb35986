#include "BatchComparison.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <variant>

#include "CsvExport.h"
#include "JsonNumber.h"

namespace kz7::app {

namespace {

constexpr std::array<std::string_view, 11> kFigures{
    "floor_area_m2",     "heating_kwh",     "heating_kwh_m2",    "cooling_kwh",
    "cooling_kwh_m2",    "peak_heating_kw", "peak_heating_w_m2", "peak_cooling_kw",
    "peak_cooling_w_m2", "hours_above_25",  "hours_above_28"};
constexpr std::string_view kRunKey = "run";
constexpr std::string_view kLabelKey = "label";

// Decimals shown in the text table: kW with two, per m² with one, the rest whole.
int DecimalsOf(std::string_view figure) {
    if (figure.ends_with("_kw")) return 2;
    if (figure.ends_with("_m2")) return 1;
    return 0;
}

std::optional<double> NumberOf(std::string_view text) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::string_view ParameterOf(const ComparisonLine& line, std::string_view name) {
    for (const auto& [parameter, value] : line.parameters)
        if (parameter == name) return value;
    return {};
}

// A line's value for a sort key: a number, a text, or nothing.
using SortValue = std::variant<std::monostate, double, std::string_view>;

struct SortKey {
    std::string_view name;
    bool descending = false;
    explicit SortKey(std::string_view key)
        : name(key.starts_with('-') ? key.substr(1) : key), descending(key.starts_with('-')) {}
};

std::optional<size_t> FigureIndex(std::string_view name) {
    const auto found = std::find(kFigures.begin(), kFigures.end(), name);
    if (found == kFigures.end()) return std::nullopt;
    return static_cast<size_t>(found - kFigures.begin());
}

std::string FixedCell(const std::optional<double>& value, int decimals) {
    return value && std::isfinite(*value) ? fmt::format("{:.{}f}", *value, decimals) : "-";
}

}  // namespace

std::span<const std::string_view> BatchComparison::Figures() {
    return kFigures;
}

BatchComparison::BatchComparison(std::vector<ComparisonLine> lines,
                                 std::vector<std::string> parameters)
    : lines_(std::move(lines)), parameters_(std::move(parameters)) {
    for (const ComparisonLine& line : lines_)
        for (const auto& [name, value] : line.parameters)
            if (std::find(parameters_.begin(), parameters_.end(), name) == parameters_.end())
                parameters_.push_back(name);
}

BatchComparison BatchComparison::Read(ResultReader& reader, const std::vector<int64_t>& runs,
                                      std::vector<std::string> parameters) {
    std::vector<ComparisonLine> lines;
    for (int64_t run : runs) {
        RunFacts facts = reader.Run(run);
        ComparisonLine line{run,
                            std::move(facts.label),
                            std::move(facts.status),
                            std::move(facts.note),
                            std::move(facts.parameters),
                            std::vector<std::optional<double>>(Figures().size())};
        for (const SummaryRow& row : reader.Summary(run)) {
            if (row.zone != 0) continue;  // the building
            for (const auto& [name, value] : row.figures)
                if (const auto index = FigureIndex(name)) line.figures[*index] = value;
        }
        lines.push_back(std::move(line));
    }
    return BatchComparison(std::move(lines), std::move(parameters));
}

bool BatchComparison::IsSortKey(std::string_view key, const std::vector<std::string>& parameters) {
    const SortKey sort(key);
    return sort.name == kRunKey || sort.name == kLabelKey || FigureIndex(sort.name) ||
           std::find(parameters.begin(), parameters.end(), sort.name) != parameters.end();
}

void BatchComparison::SortBy(std::string_view key) {
    const SortKey sort(key);
    const std::optional<size_t> figure = FigureIndex(sort.name);
    // A parameter sorts by number when every value it has is one.
    const bool numeric = std::all_of(lines_.begin(), lines_.end(), [&](const ComparisonLine& line) {
        const std::string_view value = ParameterOf(line, sort.name);
        return value.empty() || NumberOf(value).has_value();
    });
    const auto valueOf = [&](const ComparisonLine& line) -> SortValue {
        if (sort.name == kRunKey) return static_cast<double>(line.run);
        if (sort.name == kLabelKey) return std::string_view(line.label);
        if (figure) {
            const std::optional<double>& value = line.figures[*figure];
            if (!value || std::isnan(*value)) return {};
            return *value;
        }
        const std::string_view value = ParameterOf(line, sort.name);
        if (value.empty()) return {};
        if (numeric) return *NumberOf(value);
        return value;
    };
    std::stable_sort(lines_.begin(), lines_.end(),
                     [&](const ComparisonLine& a, const ComparisonLine& b) {
                         const SortValue x = valueOf(a);
                         const SortValue y = valueOf(b);
                         const bool xMissing = std::holds_alternative<std::monostate>(x);
                         const bool yMissing = std::holds_alternative<std::monostate>(y);
                         if (xMissing || yMissing) return !xMissing && yMissing;
                         return sort.descending ? y < x : x < y;
                     });
}

std::string BatchComparison::Text() const {
    std::vector<std::string> headings{"Run", "Label", "Status"};
    headings.insert(headings.end(), parameters_.begin(), parameters_.end());
    for (std::string_view figure : Figures()) headings.emplace_back(figure);
    std::vector<std::vector<std::string>> cells;
    for (const ComparisonLine& line : lines_) {
        std::vector<std::string> row{fmt::format("{}", line.run), line.label, line.status};
        for (const std::string& parameter : parameters_)
            row.emplace_back(ParameterOf(line, parameter));
        for (size_t index = 0; index < Figures().size(); ++index)
            row.push_back(FixedCell(line.figures[index], DecimalsOf(Figures()[index])));
        cells.push_back(std::move(row));
    }
    std::vector<size_t> widths;
    for (const std::string& heading : headings) widths.push_back(heading.size());
    for (const auto& row : cells)
        for (size_t column = 0; column < row.size(); ++column)
            widths[column] = std::max(widths[column], row[column].size());
    // Texts (run, label, status, parameters) to the left, figures to the right.
    const size_t firstFigure = 3 + parameters_.size();
    const auto line = [&](const std::vector<std::string>& row) {
        std::string text;
        for (size_t column = 0; column < row.size(); ++column) {
            if (column > 0) text += "  ";
            text += column < firstFigure ? fmt::format("{:<{}}", row[column], widths[column])
                                         : fmt::format("{:>{}}", row[column], widths[column]);
        }
        while (text.ends_with(' ')) text.pop_back();
        return text + "\n";
    };
    std::string table = line(headings);
    for (const auto& row : cells) table += line(row);
    for (const ComparisonLine& entry : lines_)
        if (!entry.note.empty())
            table += fmt::format("run {} ({}), {}: {}\n", entry.run, entry.label, entry.status,
                                 entry.note);
    return table;
}

nlohmann::json BatchComparison::Json() const {
    nlohmann::json runs = nlohmann::json::array();
    for (const ComparisonLine& line : lines_) {
        nlohmann::json parameters = nlohmann::json::object();
        for (const auto& [name, value] : line.parameters) parameters[name] = value;
        nlohmann::json entry = {
            {"run", line.run},
            {"label", line.label},
            {"status", line.status},
            {"note", line.note.empty() ? nlohmann::json(nullptr) : nlohmann::json(line.note)},
            {"parameters", std::move(parameters)}};
        for (size_t index = 0; index < Figures().size(); ++index) {
            const std::optional<double>& value = line.figures[index];
            entry[std::string(Figures()[index])] =
                value ? JsonNumber(*value) : nlohmann::json(nullptr);
        }
        runs.push_back(std::move(entry));
    }
    return {{"runs", std::move(runs)}};
}

std::string BatchComparison::Csv() const {
    std::string csv = "run,label,status";
    for (const std::string& parameter : parameters_)
        csv.append(",").append(CsvExport::Field(parameter));
    for (std::string_view figure : Figures()) csv += fmt::format(",{}", figure);
    csv += ",note\r\n";
    for (const ComparisonLine& line : lines_) {
        csv += fmt::format("{},{},{}", line.run, CsvExport::Field(line.label), line.status);
        for (const std::string& parameter : parameters_)
            csv.append(",").append(CsvExport::Field(ParameterOf(line, parameter)));
        for (const std::optional<double>& value : line.figures)
            csv +=
                value && std::isfinite(*value) ? fmt::format(",{}", ShortestSingle(*value)) : ",";
        csv.append(",").append(CsvExport::Field(line.note)).append("\r\n");
    }
    return csv;
}

}  // namespace kz7::app
