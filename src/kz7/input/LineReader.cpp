#include "kz7/input/LineReader.h"

#include "kz7/platform/CodePage.h"
#include "kz7/platform/InputFile.h"
#include "kz7/platform/NumberText.h"

namespace kz7 {

std::string Trim(std::string_view text) {
    size_t start = 0;
    size_t end = text.size();
    while (start < end && text[start] == ' ') ++start;
    while (end > start && text[end - 1] == ' ') --end;
    return std::string(text.substr(start, end - start));
}

// Built by appending rather than with std::string::replace, which GCC 12
// reports with a false string-overflow warning once optimised at link time.
std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
    if (from.empty()) return text;
    std::string replaced;
    replaced.reserve(text.size());
    size_t start = 0;
    size_t pos = 0;
    while ((pos = text.find(from, start)) != std::string::npos) {
        replaced.append(text, start, pos - start).append(to);
        start = pos + from.size();
    }
    return replaced.append(text, start);
}

std::string CleanName(std::string_view name) {
    std::string cleaned;
    cleaned.reserve(name.size());
    for (char c : name)
        if (c != '"' && c != '\'') cleaned += c;
    cleaned = ReplaceAll(std::move(cleaned), ", ", " ");
    return ReplaceAll(std::move(cleaned), ",", " ");
}

bool LineReader::Open(const std::string& fileName) {
    Close();
    fileName_ = fileName;
    // Read whole, so that the document's encoding is settled once before any
    // text reaches the model.
    std::optional<std::string> text = ReadWholeFile(fileName);
    if (!text) return false;
    input_ = std::make_unique<std::istringstream>(ToUtf8(std::move(*text)));
    return true;
}

void LineReader::OpenText(std::string text, std::string name) {
    Close();
    fileName_ = std::move(name);
    input_ = std::make_unique<std::istringstream>(ToUtf8(std::move(text)));
}

void LineReader::Close() {
    input_.reset();
    currentLine_.clear();
    fields_.clear();
    cursor_ = -1;
    endFlag_ = false;
    pushedBack_ = false;
    lineNumber_ = 0;
}

bool LineReader::ReadRawLine(std::string& line) {
    if (!input_ || !std::getline(*input_, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // Editors on some systems start a text file with a byte-order mark;
    // left in place it would hide the first keyword.
    if (lineNumber_ == 0 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    ++lineNumber_;
    return true;
}

void LineReader::NextLine() {
    cursor_ = -1;
    if (pushedBack_) {
        pushedBack_ = false;
        endFlag_ = false;
        return;  // fields of the pushed-back line are still in place
    }
    // Lines are read into the same buffers over and over, so a long
    // document costs no allocation per line.
    while (ReadRawLine(buffer_)) {
        if (!buffer_.empty() && buffer_.front() == '*') continue;           // comment
        if (buffer_.find_first_not_of(' ') == std::string::npos) continue;  // blank
        endFlag_ = false;
        currentLine_.swap(buffer_);
        Split(currentLine_);
        return;
    }
    endFlag_ = true;
    currentLine_.clear();
    fields_.clear();
}

void LineReader::Split(const std::string& line) {
    fields_.clear();
    size_t start = 0;
    while (true) {
        size_t comma = line.find(',', start);
        std::string_view field(line.data() + start,
                               (comma == std::string::npos ? line.size() : comma) - start);
        const size_t first = field.find_first_not_of(' ');
        field = first == std::string_view::npos ? std::string_view() : field.substr(first);
        field = field.substr(0, field.find_last_not_of(' ') + 1);
        fields_.emplace_back(field);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    // A trailing comma adds no field.
    if (fields_.size() > 1 && line.back() == ',') fields_.pop_back();
}

void LineReader::PushBack() {
    pushedBack_ = !currentLine_.empty();
}

std::string LineReader::NextString() {
    ++cursor_;
    return CurrentString();
}

std::string LineReader::RestOfLine() {
    std::string text = NextString();
    if (AtEnd()) return text;
    while (cursor_ + 1 < static_cast<int32_t>(fields_.size())) text += ' ' + NextString();
    return text;
}

std::string LineReader::CurrentString() {
    if (cursor_ < 0 || cursor_ >= static_cast<int32_t>(fields_.size())) {
        endFlag_ = true;
        return {};
    }
    endFlag_ = false;
    return fields_[static_cast<size_t>(cursor_)];
}

int16_t LineReader::NextInteger() {
    return RoundToInt16(NextDouble());
}

float LineReader::NextSingle() {
    return static_cast<float>(NextDouble());
}

double LineReader::NextDouble() {
    std::string field = NextString();
    if (endFlag_) return 0.0;
    const double value = ParseLeadingNumber(field);
    if (onNotANumber && !field.empty() && !IsWholeNumber(field)) onNotANumber(field, value);
    return value;
}

}  // namespace kz7
