#include "kz7/output/ReportFile.h"

#include "kz7/platform/NumberText.h"

namespace kz7 {

namespace {
// A double quote inside a field is doubled, so that every field reads back
// whole in a CSV reader.
void AppendQuoted(std::string& text, std::string_view field) {
    text += '"';
    for (const char c : field) {
        if (c == '"') text += '"';
        text += c;
    }
    text += '"';
}
}  // namespace

void ReportFile::Line(const std::vector<std::string>& fields, bool heading) {
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) text_ += listSeparator_;
        AppendQuoted(text_, fields[i]);
    }
    if (heading) text_ += listSeparator_;
    text_ += '\n';
}

void ReportFile::Row(const std::vector<std::string>& fields) {
    Line(fields, false);
}
void ReportFile::Heading(const std::vector<std::string>& fields) {
    Line(fields, true);
}
void ReportFile::Blank() {
    text_ += "\" \"\n";
}

void ReportFile::SizeLine(int32_t rows, std::string_view suffix) {
    Row({"Table: " + std::to_string(rows) + std::string(suffix)});
}

std::string ReportFile::Number(double value, std::string_view pattern) const {
    return FormatPattern(value, pattern, decimalSeparator_);
}

}  // namespace kz7
