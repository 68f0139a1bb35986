#pragma once
// A parametric study for `kz7 batch`: a template model with {{name}}
// placeholders and a CSV table of variants, one row per run. The plan file
// names both (docs/cli.md, "kz7 batch"):
//
//     # insulation study
//     template = office.kz7
//     variants = insulation.csv
//     support = ../support          (optional)
//
// Paths are taken relative to the plan file's folder. The table's header
// names a `label` column and one column per parameter; a `weather` column
// names the EPW file a variant runs on instead of the template's.
//
// A plan that cannot be used at all (missing files, no `label` column, a
// placeholder without a column) throws BatchPlanError; a bad row only marks
// its own variant, which is then recorded as a failed run.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kz7::app {

class BatchPlanError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// One row of the table of variants.
struct PlanVariant {
    size_t line = 0;    // line of the table where the row starts (the header is line 1)
    std::string label;  // the `label` cell; "line <n>" when empty
    // Every other column's cell, in the table's column order (`weather` included).
    std::vector<std::pair<std::string, std::string>> parameters;
    std::string problem;  // why the row cannot run; empty for a sound row
};

// The rows of a CSV text: fields split at commas, quoted fields with ""
// for a quote, CRLF or LF line ends, a leading byte-order mark dropped,
// blank lines skipped. Each row comes with the line it starts on; a quote
// left open gives `problem`.
struct CsvRow {
    size_t line = 0;
    std::vector<std::string> fields;
};
std::vector<CsvRow> ParseCsv(std::string_view text, std::string& problem);

class BatchPlan {
  public:
    // Reads the plan file, its template and its table; throws BatchPlanError
    // with a one-line reason naming the file.
    static BatchPlan Load(const std::filesystem::path& planFile);
    // The same from texts; the template's folder stands for the plan's.
    static BatchPlan FromTexts(std::filesystem::path templateFile, std::string templateText,
                               std::string tableName, std::string_view tableText);

    const std::filesystem::path& TemplateFile() const { return templateFile_; }
    const std::filesystem::path& Folder() const { return folder_; }
    const std::string& Support() const { return support_; }
    void SetSupport(std::string support) { support_ = std::move(support); }
    const std::string& TableName() const { return tableName_; }
    // The table's parameter columns, in order (`weather` included).
    const std::vector<std::string>& ParameterNames() const { return parameterNames_; }
    const std::vector<PlanVariant>& Variants() const { return variants_; }

    // The variant's model: the template with every placeholder replaced by
    // the variant's cell. A cell holding a comma or a line break would add
    // fields or records to the model, which has no quoting: it gives
    // `problem` instead. Line numbers of the result are the template's.
    std::string ModelText(const PlanVariant& variant, std::string& problem) const;
    // The weather file named by the variant's `weather` cell, when it has
    // one: the absolute path of the file in the plan's folder when the cell
    // is relative and that file is there, else the cell as given (the engine
    // then looks in the support folder and beside the template).
    std::optional<std::string> WeatherOf(const PlanVariant& variant) const;

    static constexpr std::string_view kLabelColumn = "label";
    static constexpr std::string_view kWeatherColumn = "weather";

  private:
    void ReadTable(std::string_view tableText);
    void CheckPlaceholders() const;

    std::filesystem::path templateFile_;
    std::filesystem::path folder_;
    std::string templateText_;
    std::string tableName_;
    std::string support_;
    std::vector<std::string> parameterNames_;
    std::vector<PlanVariant> variants_;
};

}  // namespace kz7::app
