#include "BatchPlan.h"

#include <fmt/format.h>

#include <set>
#include <sstream>
#include <system_error>

#include "kz7/platform/InputFile.h"

namespace kz7::app {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kOpen = "{{";
constexpr std::string_view kClose = "}}";
constexpr std::string_view kBlanks = " \t";

std::string Trim(std::string_view text) {
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(kBlanks);
    return std::string(text.substr(first, last - first + 1));
}

size_t LineOf(std::string_view text, size_t offset) {
    size_t line = 1;
    for (size_t i = 0; i < offset && i < text.size(); ++i) line += text[i] == '\n' ? 1 : 0;
    return line;
}

// `namedBy`: the plan that names `file`; empty for the plan itself.
std::string ReadNamedFile(const fs::path& file, const fs::path& namedBy = {}) {
    std::error_code error;
    if (!fs::is_regular_file(file, error)) {
        throw BatchPlanError(namedBy.empty() ? fmt::format("{}: plan file not found", file.string())
                                             : fmt::format("{}: file not found (named by {})",
                                                           file.string(), namedBy.string()));
    }
    std::optional<std::string> text = ReadWholeFile(file);
    if (!text) throw BatchPlanError(fmt::format("{}: cannot be read", file.string()));
    return std::move(*text);
}

// Calls `placeholder(name, line)` for every {{name}} of `text` and
// `literal(piece)` for the text between them; an unclosed "{{" throws.
template <typename Literal, typename Placeholder>
void ScanTemplate(std::string_view text, const fs::path& file, Literal literal,
                  Placeholder placeholder) {
    size_t from = 0;
    while (from <= text.size()) {
        const size_t open = text.find(kOpen, from);
        if (open == std::string_view::npos) {
            literal(text.substr(from));
            return;
        }
        literal(text.substr(from, open - from));
        const size_t close = text.find(kClose, open + kOpen.size());
        const size_t lineEnd = text.find('\n', open);
        if (close == std::string_view::npos ||
            (lineEnd != std::string_view::npos && close > lineEnd)) {
            throw BatchPlanError(fmt::format("{}: line {}: \"{{{{\" without \"}}}}\"",
                                             file.string(), LineOf(text, open)));
        }
        placeholder(Trim(text.substr(open + kOpen.size(), close - open - kOpen.size())),
                    LineOf(text, open));
        from = close + kClose.size();
    }
}

}  // namespace

std::vector<CsvRow> ParseCsv(std::string_view text, std::string& problem) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    std::vector<CsvRow> rows;
    CsvRow row;
    std::string field;
    bool quoted = false;      // inside a quoted field
    bool wasQuoted = false;   // the field had quotes: kept as it stands
    bool rowHasText = false;  // anything but an empty line
    size_t line = 1;
    size_t quoteLine = 0;
    row.line = 1;
    const auto endField = [&] {
        row.fields.push_back(wasQuoted ? field : Trim(field));
        field.clear();
        wasQuoted = false;
    };
    const auto endRow = [&] {
        endField();
        if (rowHasText) rows.push_back(std::move(row));
        row = CsvRow{};
        rowHasText = false;
        row.line = line;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                if (c == '\n') ++line;
                field += c;
            }
            continue;
        }
        if (c == '"') {
            quoted = wasQuoted = rowHasText = true;
            quoteLine = line;
            field.clear();  // blanks before the opening quote
        } else if (c == ',') {
            rowHasText = true;
            endField();
        } else if (c == '\n') {
            ++line;
            endRow();
        } else if (c != '\r') {
            rowHasText = rowHasText || kBlanks.find(c) == std::string_view::npos;
            if (!wasQuoted) field += c;  // text after a closing quote is dropped
        }
    }
    if (quoted) {
        problem = fmt::format("line {}: a quote is never closed", quoteLine);
        return {};
    }
    endRow();
    return rows;
}

BatchPlan BatchPlan::Load(const fs::path& planFile) {
    const std::string planText = ReadNamedFile(planFile);
    const fs::path folder = planFile.has_parent_path() ? planFile.parent_path() : fs::path(".");
    std::optional<fs::path> templateFile, tableFile;
    std::string support;
    std::istringstream lines(planText);
    std::string lineText;
    for (size_t line = 1; std::getline(lines, lineText); ++line) {
        const std::string trimmed =
            Trim(lineText.ends_with('\r') ? lineText.substr(0, lineText.size() - 1) : lineText);
        if (trimmed.empty() || trimmed.starts_with('#')) continue;
        const size_t equals = trimmed.find('=');
        const std::string key =
            equals == std::string::npos ? trimmed : Trim(trimmed.substr(0, equals));
        const std::string value =
            equals == std::string::npos ? "" : Trim(trimmed.substr(equals + 1));
        if (equals == std::string::npos || value.empty()) {
            throw BatchPlanError(
                fmt::format("{}: line {}: expected key = value", planFile.string(), line));
        }
        if (key == "template")
            templateFile = folder / value;
        else if (key == "variants")
            tableFile = folder / value;
        else if (key == "support")
            support = (folder / value).string();
        else
            throw BatchPlanError(
                fmt::format("{}: line {}: unknown key \"{}\" (template, variants, support)",
                            planFile.string(), line, key));
    }
    if (!templateFile || !tableFile) {
        throw BatchPlanError(fmt::format("{}: the plan names no {}", planFile.string(),
                                         templateFile ? "variants table (variants = FILE.csv)"
                                                      : "template model (template = FILE)"));
    }
    BatchPlan plan = FromTexts(*templateFile, ReadNamedFile(*templateFile, planFile),
                               tableFile->string(), ReadNamedFile(*tableFile, planFile));
    plan.folder_ = folder;
    plan.support_ = support;
    return plan;
}

BatchPlan BatchPlan::FromTexts(fs::path templateFile, std::string templateText,
                               std::string tableName, std::string_view tableText) {
    BatchPlan plan;
    plan.folder_ = templateFile.has_parent_path() ? templateFile.parent_path() : fs::path(".");
    plan.templateFile_ = std::move(templateFile);
    plan.templateText_ = std::move(templateText);
    plan.tableName_ = std::move(tableName);
    plan.ReadTable(tableText);
    plan.CheckPlaceholders();
    return plan;
}

void BatchPlan::ReadTable(std::string_view tableText) {
    std::string problem;
    std::vector<CsvRow> rows = ParseCsv(tableText, problem);
    if (!problem.empty()) throw BatchPlanError(fmt::format("{}: {}", tableName_, problem));
    if (rows.empty()) throw BatchPlanError(fmt::format("{}: the table is empty", tableName_));
    const std::vector<std::string>& header = rows.front().fields;
    std::optional<size_t> labelColumn;
    std::set<std::string> seen;
    for (size_t column = 0; column < header.size(); ++column) {
        const std::string& name = header[column];
        if (name.empty())
            throw BatchPlanError(fmt::format("{}: column {} has no name", tableName_, column + 1));
        if (!seen.insert(name).second)
            throw BatchPlanError(fmt::format("{}: column \"{}\" is given twice", tableName_, name));
        if (name == kLabelColumn)
            labelColumn = column;
        else
            parameterNames_.push_back(name);
    }
    if (!labelColumn)
        throw BatchPlanError(fmt::format("{}: the header has no \"label\" column", tableName_));
    if (rows.size() == 1)
        throw BatchPlanError(fmt::format("{}: the table has no variants", tableName_));
    for (size_t index = 1; index < rows.size(); ++index) {
        const CsvRow& row = rows[index];
        PlanVariant variant;
        variant.line = row.line;
        if (row.fields.size() != header.size()) {
            variant.problem = fmt::format("line {} of {}: {} fields where the header has {}",
                                          row.line, tableName_, row.fields.size(), header.size());
        }
        for (size_t column = 0; column < header.size(); ++column) {
            std::string cell = column < row.fields.size() ? row.fields[column] : std::string();
            if (column == *labelColumn)
                variant.label = std::move(cell);
            else
                variant.parameters.emplace_back(header[column], std::move(cell));
        }
        if (variant.label.empty()) variant.label = fmt::format("line {}", row.line);
        variants_.push_back(std::move(variant));
    }
}

// Every placeholder must have its column, so that no variant runs with a
// "{{name}}" left in its model; `label` may be used like a parameter.
void BatchPlan::CheckPlaceholders() const {
    ScanTemplate(
        templateText_, templateFile_, [](std::string_view) {},
        [&](const std::string& name, size_t line) {
            if (name == kLabelColumn) return;
            for (const std::string& parameter : parameterNames_)
                if (parameter == name) return;
            throw BatchPlanError(
                fmt::format("{}: line {}: placeholder {{{{{}}}}} has no column in {}",
                            templateFile_.string(), line, name, tableName_));
        });
}

std::string BatchPlan::ModelText(const PlanVariant& variant, std::string& problem) const {
    std::string text;
    text.reserve(templateText_.size());
    ScanTemplate(
        templateText_, templateFile_, [&](std::string_view piece) { text += piece; },
        [&](const std::string& name, size_t) {
            std::string_view value = variant.label;
            for (const auto& [parameter, cell] : variant.parameters)
                if (parameter == name) value = cell;
            if (problem.empty() && value.find_first_of(",\r\n") != std::string_view::npos) {
                problem = fmt::format(
                    "the value \"{}\" of {} holds a comma or a line break, which the model "
                    "cannot take",
                    value, name);
            }
            text += value;
        });
    return text;
}

std::optional<std::string> BatchPlan::WeatherOf(const PlanVariant& variant) const {
    for (const auto& [parameter, cell] : variant.parameters) {
        if (parameter != kWeatherColumn || cell.empty()) continue;
        std::error_code error;
        const fs::path beside = folder_ / cell;
        if (!fs::path(cell).is_relative() || !fs::is_regular_file(beside, error)) return cell;
        // The engine takes a relative name as relative to the support folder
        // and to the template's folder, not to the current one.
        const fs::path absolute = fs::absolute(beside, error);
        return (error ? beside : absolute).string();
    }
    return std::nullopt;
}

}  // namespace kz7::app
