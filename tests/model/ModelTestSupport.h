#pragma once
// A fresh engine whose error dialog records its texts.
#include <string>
#include <vector>

#include "kz7/engine/EngineState.h"

namespace kz7::test {

struct RecordingState {
    EngineState state;
    std::vector<std::string> errors;

    RecordingState() {
        state.errorHandler = [this](const std::string& text) { errors.push_back(text); };
    }
    // Opens `text` and positions the reader after the keyword of its first line.
    LineReader& Open(const std::string& text) {
        state.reader.OpenText(text);
        state.reader.NextLine();
        state.reader.NextString();
        return state.reader;
    }
    bool HasError(const std::string& part) const {
        for (const std::string& error : errors)
            if (error.find(part) != std::string::npos) return true;
        return false;
    }
};

}  // namespace kz7::test
