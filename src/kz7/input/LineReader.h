#pragma once
// The line and field reader every record reader uses. One document is open
// at a time; fields are the current line split at every comma, trimmed.
#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace kz7 {

class LineReader {
  public:
    // Opens a file for reading; false when it cannot be opened. Documents
    // are UTF-8; one that is not valid UTF-8 is read as Windows-1252, which
    // is what files from older tools hold (platform/CodePage.h).
    bool Open(const std::string& fileName);
    // Reads from text in memory (tests, and documents handed over as text),
    // with the same encoding rule.
    void OpenText(std::string text, std::string name = "(text)");
    void Close();
    bool IsOpen() const { return input_ != nullptr; }
    const std::string& FileName() const { return fileName_; }

    // Reads lines until one that is neither blank nor a comment and splits
    // it. At the end of the file the fields are empty and the end flag is set.
    void NextLine();
    std::string NextString();
    // The fields from the next one to the end of the line joined by one blank:
    // a name line read whole, commas and all. Empty, with the end flag, when
    // no field is left.
    std::string RestOfLine();
    std::string CurrentString();
    int16_t NextInteger();
    float NextSingle();
    // A double read the same way (for the fields the model gives as doubles).
    double NextDouble();
    // Called when a number is read from a field that is not one number and
    // nothing else ("8OOO" reads 8, "abc" 0), with the field and the value
    // read.
    std::function<void(const std::string& field, double read)> onNotANumber;

    // The end flag: set by the last read when it went past the end of the
    // file or asked for a missing field.
    bool AtEnd() const { return endFlag_; }
    const std::string& CurrentLine() const { return currentLine_; }
    const std::vector<std::string>& Fields() const { return fields_; }
    int32_t FieldCursor() const { return cursor_; }
    // Line number (1-based) of the current line in the document, for messages.
    int64_t LineNumber() const { return lineNumber_; }

    // Puts the current line back, so that the next NextLine returns it again.
    void PushBack();

  private:
    bool ReadRawLine(std::string& line);
    void Split(const std::string& line);

    std::string fileName_;
    std::unique_ptr<std::istream> input_;
    std::string currentLine_;
    std::string buffer_;
    std::vector<std::string> fields_;
    int32_t cursor_ = -1;
    bool endFlag_ = false;
    bool pushedBack_ = false;
    int64_t lineNumber_ = 0;
};

// Removes every double quote and apostrophe, then turns ", " and every other
// comma into one blank (names that are written into other tools' files).
std::string CleanName(std::string_view name);

// Replaces every occurrence of `from` in `text` by `to`.
std::string ReplaceAll(std::string text, std::string_view from, std::string_view to);

// Leading and trailing blanks removed.
std::string Trim(std::string_view text);

}  // namespace kz7
