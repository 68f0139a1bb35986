#pragma once
// Spreadsheet files from a result database: one CSV file per run, interval
// and kind of record, one row per zone and time, one column per variable.
// The layout is described in docs/cli.md ("kz7 export-csv").
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ResultDatabase.h"
#include "ResultReader.h"

namespace kz7::app {

struct CsvExportOptions {
    std::optional<int64_t> run;       // every run when empty
    std::optional<int16_t> interval;  // every interval when empty
    std::optional<int32_t> zone;      // every zone (and building, weather) when empty
    std::filesystem::path outFolder = ".";
};

struct CsvFile {
    std::filesystem::path path;
    int64_t rows = 0;
};

class CsvExport {
  public:
    CsvExport(ResultDatabase& database, CsvExportOptions options);

    // Writes the files and returns them in order; throws ResultDatabaseError
    // or std::runtime_error with a one-line reason. Each file is written
    // beside its final name and renamed when complete.
    std::vector<CsvFile> Write();
    // The runs Write exported records of that did not finish (running,
    // cancelled or failed), in order: their records stop where they ended,
    // which the files themselves do not show.
    const std::vector<RunFacts>& UnfinishedRuns() const { return unfinished_; }

    // A CSV field in UTF-8, quoted when it holds a comma, a quote or a line
    // break; one that starts with "=", "+", "-", "@", a tab or a carriage
    // return gets a leading apostrophe, so a spreadsheet shows it as text.
    static std::string Field(std::string_view text);

  private:
    struct Table {
        int64_t run;
        int16_t interval;
        RecordKind record;
        std::vector<int32_t> zones;  // in order
    };
    struct Column {
        int64_t position;
        std::string heading;
    };

    std::vector<RunFacts> SelectedRuns();
    std::vector<Table> TablesOf(int64_t run);
    std::vector<Column> ColumnsOf(const Table& table);
    CsvFile WriteTable(const Table& table);
    void MakeOutFolder() const;

    ResultDatabase& database_;
    ResultReader reader_;
    CsvExportOptions options_;
    std::vector<RunFacts> unfinished_;
};

}  // namespace kz7::app
