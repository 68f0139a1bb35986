#include "kz7/control/OutputData.h"

#include <charconv>
#include <string_view>

namespace kz7 {

namespace {
constexpr double kMissing = -32768.0;
}  // namespace

float ValueOfText(const std::string& text) {
    constexpr float kNone = std::numeric_limits<float>::quiet_NaN();
    std::string_view view = text;
    while (!view.empty() && view.front() == ' ') view.remove_prefix(1);
    while (!view.empty() && view.back() == ' ') view.remove_suffix(1);
    if (view.empty() || view.size() > 64) return kNone;
    // Texts hold one number and no grouping, so a "," can only be the
    // decimal mark of a locale that uses it.
    char buffer[64];
    for (size_t i = 0; i < view.size(); ++i) buffer[i] = view[i] == ',' ? '.' : view[i];
    double value = 0.0;
    const auto [end, error] = std::from_chars(buffer, buffer + view.size(), value);
    if (error != std::errc() || end != buffer + view.size()) return kNone;
    if (!std::isfinite(value) || value == kMissing) return kNone;
    return static_cast<float>(value);
}

void OutputData::SaveData(int16_t interval, int32_t zone, ValueArray& values, double date,
                          double time) {
    if (onRecord) {
        numbers_.resize(values.size());
        for (size_t i = 0; i < values.size(); ++i) numbers_[i] = ValueOfText(values[i]);
        onRecord({interval, zone, numbers_, date, std::isnan(time) ? date : time});
    }
    if (onSave) onSave(interval, zone, values, date);
}

}  // namespace kz7
