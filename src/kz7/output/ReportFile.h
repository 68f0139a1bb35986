#pragma once
// The text of one report: lines of fields, each enclosed in double quotes
// and joined by the list separator. A heading line ends with one more
// separator after its last field; a separating blank line is a single quoted
// blank. The report is built in memory and written to its file in one go,
// so a failed report never leaves a partial file behind.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kz7 {

class ReportFile {
  public:
    ReportFile(char listSeparator, char decimalSeparator)
        : listSeparator_(listSeparator), decimalSeparator_(decimalSeparator) {}

    // A data row.
    void Row(const std::vector<std::string>& fields);
    // A heading line: titles and column headings.
    void Heading(const std::vector<std::string>& fields);
    void Blank();
    // The size line of a table: "Table: " + rows + suffix (", 4, 2" ...).
    void SizeLine(int32_t rows, std::string_view suffix);

    // `value` in a pattern format ("0.000", "0.00", "0.0", "0") with the
    // report's decimal separator.
    std::string Number(double value, std::string_view pattern) const;
    static std::string YesNo(bool value) { return value ? "Yes" : "No"; }

    const std::string& Text() const { return text_; }

  private:
    void Line(const std::vector<std::string>& fields, bool heading);

    char listSeparator_;
    char decimalSeparator_;
    std::string text_;
};

}  // namespace kz7
