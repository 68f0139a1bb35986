#include "kz7/input/RecordProblem.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "kz7/engine/EngineState.h"
#include "kz7/input/LineReader.h"

namespace kz7 {

std::string ShortText(std::string_view text) {
    constexpr size_t kShown = 40;
    if (text.size() <= kShown) return std::string(text);
    return std::string(text.substr(0, kShown)) + "...";
}

std::string RecordPlace(const RecordContext& record, int64_t line) {
    const std::string at =
        " at line " + std::to_string(line > 0 ? line : record.line) + " of " + record.file;
    if (record.key.empty()) return "Record \"" + ShortText(record.keyword) + "\"" + at;
    return record.keyword + " \"" + ShortText(record.key) + "\"" + at;
}

void ReportRecordProblem(EngineState& state, std::string_view problem, Severity severity,
                         bool atRecordLine) {
    const std::string text =
        RecordPlace(state.record, atRecordLine ? 0 : state.reader.LineNumber()) + ": " +
        std::string(problem);
    if (severity == Severity::Error)
        state.ShowError(text);
    else
        state.ShowWarning(text);
}

void RecordOrigins::Note(EngineState& state, const std::string& key, bool added) {
    const RecordContext& record = state.record;
    const std::string id = record.keyword + '\n' + key;
    // Two definitions in one document are a mistake; the model's own record
    // shadowed by the support folder's database is legal but rarely meant.
    const bool sameFile = !inFile_.insert(id + '\n' + record.file).second;
    if (added) {
        first_[id] = record;
        return;
    }
    const auto first = first_.find(id);
    const std::string where =
        first == first_.end()
            ? "earlier"
            : "at line " + std::to_string(first->second.line) + " of " + first->second.file;
    ReportRecordProblem(state,
                        record.keyword + " " + key + " is defined twice: first " + where +
                            ", which is used; this record is ignored",
                        sameFile || first == first_.end() ? Severity::Error : Severity::Warning,
                        true);
}

std::string RecordOrigins::PlaceOf(const std::string& keyword, const std::string& key) const {
    const auto first = first_.find(keyword + '\n' + key);
    return first == first_.end() ? std::string() : RecordPlace(first->second);
}

int32_t EditDistance(std::string_view a, std::string_view b) {
    std::vector<int32_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = static_cast<int32_t>(j);
    for (size_t i = 1; i <= a.size(); ++i) {
        int32_t diagonal = row[0];
        row[0] = static_cast<int32_t>(i);
        for (size_t j = 1; j <= b.size(); ++j) {
            const int32_t above = row[j];
            const bool same = std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                              std::tolower(static_cast<unsigned char>(b[j - 1]));
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace kz7
