#include "kz7/input/Errors.h"

#include "kz7/engine/EngineState.h"
#include "kz7/platform/NumberText.h"

namespace kz7 {

void Errors::ERMES(int32_t code, const std::string& value) {
    if (code < 1 || code > 1000) return;
    std::string line(1, '*');
    line += FormatPattern(code, "##");
    line += value;
    lines_.push_back(std::move(line));
}

void Errors::ERMES(int32_t code, double value) {
    ERMES(code, NumberToText(value, state_.settings.decimalSeparator));
}

}  // namespace kz7
