#include "kz7/input/RecordProblem.h"

#include "kz7/engine/EngineState.h"
#include "kz7/input/LineReader.h"

namespace kz7 {

std::string RecordPlace(const LineReader& reader, std::string_view keyword) {
    return "Record \"" + std::string(keyword) + "\" at line " +
           std::to_string(reader.LineNumber()) + " of " + reader.FileName();
}

void ReportRecordProblem(EngineState& state, std::string_view keyword, std::string_view problem) {
    state.ShowError(RecordPlace(state.reader, keyword) + ": " + std::string(problem));
}

}  // namespace kz7
