#pragma once
// The comparison of the runs of a parametric study: one line per run with
// its label, status, parameters and the building's key figures from the
// stored summary, sorted as asked, as a text table, JSON or CSV
// (docs/cli.md, "kz7 batch").
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ResultReader.h"

namespace kz7::app {

struct ComparisonLine {
    int64_t run = 0;
    std::string label;
    std::string status;
    std::string note;
    std::vector<std::pair<std::string, std::string>> parameters;  // by name
    std::vector<std::optional<double>> figures;                   // as BatchComparison::Figures()
};

class BatchComparison {
  public:
    // The lines of `runs`, in that order, read back from the database. The
    // parameter columns come in the order of `parameters`, then any other
    // parameter the runs carry.
    static BatchComparison Read(ResultReader& reader, const std::vector<int64_t>& runs,
                                std::vector<std::string> parameters = {});
    BatchComparison(std::vector<ComparisonLine> lines, std::vector<std::string> parameters);

    // The figures compared: names of the stored summary of the building.
    static std::span<const std::string_view> Figures();

    // Whether `key` (a figure, one of `parameters`, "label" or "run", with
    // "-" in front for descending order) is a key to sort by.
    static bool IsSortKey(std::string_view key, const std::vector<std::string>& parameters);
    // Sorts by `key`, keeping the order of equal lines; lines without a
    // value for the key come last in either direction. Numbers (parameters
    // whose values all read as numbers) compare as numbers.
    void SortBy(std::string_view key);

    const std::vector<ComparisonLine>& Lines() const { return lines_; }
    std::string Text() const;
    nlohmann::json Json() const;
    std::string Csv() const;

  private:
    std::vector<ComparisonLine> lines_;
    std::vector<std::string> parameters_;
};

}  // namespace kz7::app
