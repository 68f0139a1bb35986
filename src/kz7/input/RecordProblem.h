#pragma once
// How record readers report a problem: the error dialog, naming the record,
// the line and the document, and reading goes on.
#include <stdexcept>
#include <string>
#include <string_view>

namespace kz7 {

class EngineState;
class LineReader;

// "Record "<keyword>" at line <n> of <file>"
std::string RecordPlace(const LineReader& reader, std::string_view keyword);

// Shows "<place>: <problem>" in the error dialog.
void ReportRecordProblem(EngineState& state, std::string_view keyword, std::string_view problem);

}  // namespace kz7

namespace kz7 {

// An error that ends the reading of a document; the control's read methods
// catch it and return false.
class ModelReadError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace kz7
