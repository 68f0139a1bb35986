#pragma once
// Helpers of the weather tests: a private temporary folder, the shipped EPW
// files and edited copies of them, and a recorder of error dialogs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "kz7/engine/EngineState.h"

namespace kz7::testing {

inline const std::string kDenver =
    std::string(KZ7_TEST_DATA) + "/USA_CO_Denver.Intl.AP.725650_TMY3.epw";
inline const std::string kBoston =
    std::string(KZ7_TEST_DATA) + "/USA_MA_Boston-Logan.Intl.AP.725090_TMY3.epw";

// The shared scratch folder, with its paths as text.
class TempFolder : public test::ScratchFolder {
  public:
    TempFolder() : ScratchFolder("kz7weather") {}
    std::string Path() const { return ScratchFolder::Path().string(); }
    std::string File(const std::string& name) const { return (ScratchFolder::Path() / name).string(); }
    std::string Write(const std::string& name, const std::string& text) const {
        return ScratchFolder::Write(name, text).string();
    }
};

inline std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
}

inline std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

// Fields of a comma-separated line.
inline std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream stream(line);
    for (std::string field; std::getline(stream, field, ',');) fields.push_back(field);
    return fields;
}

inline std::string JoinFields(const std::vector<std::string>& fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) line += (i ? "," : "") + fields[i];
    return line;
}

// A copy of the Denver file with `edit` applied to the fields of every data line.
inline std::string EditedDenver(const TempFolder& folder, const std::string& name,
                                const std::function<void(std::vector<std::string>&)>& edit) {
    std::vector<std::string> lines = ReadLines(kDenver);
    for (size_t i = 8; i < lines.size(); ++i) {
        std::vector<std::string> fields = SplitFields(lines[i]);
        edit(fields);
        lines[i] = JoinFields(fields);
    }
    return folder.Write(name, JoinLines(lines));
}

// Records every error dialog of a state.
struct ErrorRecorder {
    explicit ErrorRecorder(EngineState& state) {
        state.errorHandler = [this](const std::string& text) { texts.push_back(text); };
    }
    bool Any(const std::string& part) const {
        for (const std::string& text : texts)
            if (text.find(part) != std::string::npos) return true;
        return false;
    }
    std::vector<std::string> texts;
};

}  // namespace kz7::testing
