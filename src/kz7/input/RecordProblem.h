#pragma once
// How record readers report a problem: through the error dialog (or the
// warning channel), naming the record, its key, the line and the document,
// and reading goes on.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace kz7 {

class EngineState;

// The record being read: set by the document reader at every keyword line.
struct RecordContext {
    std::string keyword;
    std::string key;   // the keyword line's second field; empty when it has none
    int64_t line = 0;  // line of the keyword
    std::string file;
};

// How bad a problem is for the model's user: an error means the engine
// substituted something for what the model says (a value, a record or an
// object is lost); a warning means the model is read as written but is
// probably not what was meant.
enum class Severity { Warning, Error };

// `text`, cut to its first 40 characters and "..." when longer (a keyword
// or key that is really a stray line of data).
std::string ShortText(std::string_view text);

// "Record "<keyword>" at line <n> of <file>", or "<keyword> "<key>" at line
// <n> of <file>" for a keyed record; `line` 0 means the record's own line.
std::string RecordPlace(const RecordContext& record, int64_t line = 0);

// Shows "<place>: <problem>" for the record being read, at the reader's
// current line (`atRecordLine`: at the record's keyword line).
void ReportRecordProblem(EngineState& state, std::string_view problem,
                         Severity severity = Severity::Error, bool atRecordLine = false);

// Where every keyed record was first defined, by keyword and key, so that a
// second record with the same key can say which one is used.
class RecordOrigins {
  public:
    // Called by a collection after its keyed insert of the record being
    // read: remembers where it was defined, or, when the key was taken
    // (`added` false), reports the record as ignored.
    void Note(EngineState& state, const std::string& key, bool added);
    // "<keyword> "<key>" at line <n> of <file>" of the record first defined
    // with `key`, or empty when there is none.
    std::string PlaceOf(const std::string& keyword, const std::string& key) const;
    void Clear() {
        first_.clear();
        inFile_.clear();
    }

  private:
    std::unordered_map<std::string, RecordContext> first_;  // keyword '\n' key -> record
    std::unordered_set<std::string> inFile_;  // keyword '\n' key '\n' file, each definition
};

// The known word nearest to `word` (case-insensitive edit distance, at most a
// third of the word's length, and at least 1), or empty when none is near.
template <typename Words>
std::string NearestWord(std::string_view word, const Words& known);

// Edit distance between two words, ignoring case.
int32_t EditDistance(std::string_view a, std::string_view b);

template <typename Words>
std::string NearestWord(std::string_view word, const Words& known) {
    const int32_t limit = std::max<int32_t>(1, static_cast<int32_t>(word.size()) / 3);
    std::string nearest;
    int32_t best = limit + 1;
    for (const auto& candidate : known) {
        // The distance is at least the difference in length.
        const auto lengthDifference = static_cast<int64_t>(word.size()) -
                                      static_cast<int64_t>(std::string_view(candidate).size());
        if (std::abs(lengthDifference) >= best) continue;
        const int32_t distance = EditDistance(word, candidate);
        if (distance < best) {
            best = distance;
            nearest = std::string(candidate);
        }
    }
    return nearest;
}

}  // namespace kz7

namespace kz7 {

// An error that ends the reading of a document; the control's read methods
// catch it and return false.
class ModelReadError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace kz7
