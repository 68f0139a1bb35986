#include "kz7/output/OutputStore.h"

#include <algorithm>

#include "kz7/engine/EngineState.h"
#include "kz7/platform/NumberText.h"

namespace kz7 {

namespace {
constexpr const char* kOutOfHandles = "Out of output system handles";
}  // namespace

int32_t OutputStore::Allocate(int16_t interval, int32_t records, int32_t variables, float scale) {
    for (int32_t number = 1; number <= kHandleCount; ++number) {
        Handle& h = handles_[number - 1];
        if (h.open) continue;
        h = Handle{};
        h.open = true;
        h.interval = interval;
        h.records = std::clamp(records, 0, kMaxRecords);
        h.variables = std::clamp(variables, 0, kMaxVariables);
        h.scale = scale;
        const size_t cells = static_cast<size_t>(h.records) * static_cast<size_t>(h.variables);
        h.selected.assign(cells, 0);
        h.aggregation.assign(cells, Aggregation::Summed);
        h.sum.assign(cells, 0.0f);
        h.count.assign(cells, 0);
        return number;
    }
    state_.ShowError(kOutOfHandles);
    return 0;
}

void OutputStore::Free(int32_t handle) {
    if (handle >= 1 && handle <= kHandleCount) handles_[handle - 1] = Handle{};
}

bool OutputStore::IsOpen(int32_t handle) const {
    return Find(handle) != nullptr;
}

OutputStore::Handle* OutputStore::Find(int32_t handle) {
    if (handle < 1 || handle > kHandleCount || !handles_[handle - 1].open) return nullptr;
    return &handles_[handle - 1];
}

const OutputStore::Handle* OutputStore::Find(int32_t handle) const {
    if (handle < 1 || handle > kHandleCount || !handles_[handle - 1].open) return nullptr;
    return &handles_[handle - 1];
}

int64_t OutputStore::Cell(const Handle& h, int32_t record, int32_t variable) {
    if (record < 1 || record > h.records || variable < 1 || variable > h.variables) return -1;
    return static_cast<int64_t>(record - 1) * h.variables + (variable - 1);
}

void OutputStore::SetVariable(int32_t handle, int32_t record, int32_t variable, bool selected,
                              Aggregation aggregation) {
    Handle* h = Find(handle);
    if (h == nullptr) return;
    const int64_t cell = Cell(*h, record, variable);
    if (cell < 0) return;
    h->selected[static_cast<size_t>(cell)] = selected ? 1 : 0;
    h->aggregation[static_cast<size_t>(cell)] = aggregation;
}

bool OutputStore::IsSelected(int32_t handle, int32_t record, int32_t variable) const {
    const Handle* h = Find(handle);
    if (h == nullptr) return false;
    const int64_t cell = Cell(*h, record, variable);
    return cell >= 0 && h->selected[static_cast<size_t>(cell)] != 0;
}

void OutputStore::Add(int32_t handle, int32_t record, int32_t variable, float value, float weight,
                      int32_t n) {
    Handle* h = Find(handle);
    if (h == nullptr) return;
    const int64_t cell = Cell(*h, record, variable);
    if (cell < 0) return;
    float& sum = h->sum[static_cast<size_t>(cell)];
    int32_t& count = h->count[static_cast<size_t>(cell)];
    // A missing step value makes the whole interval missing; without this a
    // few missing steps would sum to an ordinary-looking number.
    if (value == kMissingValue || sum == kMissingValue)
        sum = kMissingValue;
    else
        sum += value * weight;
    count = RoundToInt32(static_cast<double>(count) +
                         static_cast<double>(n) * static_cast<double>(weight));
}

IntervalValue OutputStore::Value(int32_t handle, int32_t record, int32_t variable) const {
    IntervalValue result;
    const Handle* h = Find(handle);
    if (h == nullptr) return result;
    const int64_t cell = Cell(*h, record, variable);
    if (cell < 0) return result;
    const float sum = h->sum[static_cast<size_t>(cell)];
    const int32_t count = h->count[static_cast<size_t>(cell)];
    if (count == 0) return result;
    if (sum == kMissingValue) {
        result.state = IntervalValue::State::Missing;
        return result;
    }
    // Averaged variables: the mean of the steps. Summed variables: divided by
    // the steps per hour, so an hour gives its mean power and a day or month
    // the sum of its hourly means.
    const bool averaged = h->aggregation[static_cast<size_t>(cell)] == Aggregation::Averaged;
    const double divisor = averaged || h->scale == 0.0f
                               ? static_cast<double>(count)
                               : static_cast<double>(RoundToInt32(h->scale));
    result.state = IntervalValue::State::Present;
    result.value = static_cast<double>(sum) / divisor;
    return result;
}

std::string OutputStore::ValueText(int32_t handle, int32_t record, int32_t variable,
                                   char decimalSeparator) const {
    std::string text;
    AssignValueText(text, handle, record, variable, decimalSeparator);
    return text;
}

void OutputStore::AssignValueText(std::string& text, int32_t handle, int32_t record,
                                  int32_t variable, char decimalSeparator) const {
    const IntervalValue value = Value(handle, record, variable);
    if (value.state != IntervalValue::State::Present)
        text.assign(kMissingText);
    else
        AssignNumberText(text, static_cast<float>(value.value), decimalSeparator);
}

void OutputStore::Reset(int32_t handle) {
    Handle* h = Find(handle);
    if (h == nullptr) return;
    std::fill(h->sum.begin(), h->sum.end(), 0.0f);
    std::fill(h->count.begin(), h->count.end(), 0);
}

void OutputStore::ResetVariable(int32_t handle, int32_t record, int32_t variable) {
    Handle* h = Find(handle);
    if (h == nullptr) return;
    const int64_t cell = Cell(*h, record, variable);
    if (cell < 0) return;
    h->sum[static_cast<size_t>(cell)] = 0.0f;
    h->count[static_cast<size_t>(cell)] = 0;
}

int16_t OutputStore::IntervalCode(int32_t handle) const {
    const Handle* h = Find(handle);
    return h == nullptr ? 0 : h->interval;
}

int32_t OutputStore::RecordCount(int32_t handle) const {
    const Handle* h = Find(handle);
    return h == nullptr ? 0 : h->records;
}

int32_t OutputStore::VariableCount(int32_t handle) const {
    const Handle* h = Find(handle);
    return h == nullptr ? 0 : h->variables;
}

float OutputStore::Scale(int32_t handle) const {
    const Handle* h = Find(handle);
    return h == nullptr ? 0.0f : h->scale;
}

float OutputStore::Sum(int32_t handle, int32_t record, int32_t variable) const {
    const Handle* h = Find(handle);
    if (h == nullptr) return 0.0f;
    const int64_t cell = Cell(*h, record, variable);
    return cell < 0 ? 0.0f : h->sum[static_cast<size_t>(cell)];
}

int32_t OutputStore::Count(int32_t handle, int32_t record, int32_t variable) const {
    const Handle* h = Find(handle);
    if (h == nullptr) return 0;
    const int64_t cell = Cell(*h, record, variable);
    return cell < 0 ? 0 : h->count[static_cast<size_t>(cell)];
}

int32_t OutputStore::RecordsSent(int32_t handle) const {
    const Handle* h = Find(handle);
    return h == nullptr ? 0 : h->recordsSent;
}

void OutputStore::CountSend(int32_t handle) {
    if (Handle* h = Find(handle)) ++h->recordsSent;
}

int32_t OutputStore::OpenHandleCount() const {
    return static_cast<int32_t>(std::count_if(std::begin(handles_), std::end(handles_),
                                              [](const Handle& h) { return h.open; }));
}

}  // namespace kz7
