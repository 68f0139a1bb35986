#include "kz7/output/OutputStore.h"

#include <algorithm>
#include <bit>
#include <limits>

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
        const size_t cells = static_cast<size_t>(h.records) * static_cast<size_t>(kRowCells);
        h.selectedCells.assign(static_cast<size_t>(h.records), 0);
        h.byCountCells.assign(static_cast<size_t>(h.records), scale == 0.0f ? ~uint64_t{0} : 0);
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

OutputRecord OutputStore::Record(int32_t handle, int32_t record) {
    OutputRecord view;
    Handle* h = Find(handle);
    if (h == nullptr || record < 1 || record > h->records) return view;
    const size_t first = static_cast<size_t>(record - 1) * static_cast<size_t>(kRowCells);
    view.selectedCells_ = h->selectedCells.data() + (record - 1);
    view.byCountCells_ = h->byCountCells.data() + (record - 1);
    view.sum_ = h->sum.data() + first;
    view.count_ = h->count.data() + first;
    view.variables_ = h->variables;
    // Summed variables are divided by the steps per hour, so an hour gives
    // its mean power and a day or month the sum of its hourly means.
    view.summedDivisor_ = static_cast<double>(RoundToInt32(h->scale));
    return view;
}

// The view's arrays are only written through its non-const members.
const OutputRecord OutputStore::Record(int32_t handle, int32_t record) const {
    return const_cast<OutputStore*>(this)->Record(handle, record);
}

namespace {

// Add's arithmetic at weight 1 over `cells` cells (at most 32), a cell
// taken where its bit is set in `take`, written as selects without a branch
// so that the compiler vectorises it into blends: the sum of a cell that is
// not taken is computed and dropped (this file is built without
// trapping-math, which would forbid that; nothing here reads floating-point
// flags, so the values are the same). The arrays never overlap: the step's
// values belong to the zone, the sums and counts to the handle.
inline void AddCells(const float* __restrict values, uint32_t take, float* __restrict sums,
                     int32_t* __restrict counts, size_t cells) {
    for (size_t i = 0; i < cells; ++i) {
        const auto taken = static_cast<int32_t>((take >> i) & 1u);
        const float value = values[i];
        const float sum = sums[i];
        const bool missing = (value == kMissingValue) | (sum == kMissingValue);
        const float added = missing ? kMissingValue : sum + value;
        sums[i] = taken != 0 ? added : sum;
        counts[i] += taken;
    }
}

// AddCells over `cells` cells (at most 64), in two halves of 32-bit take
// words, which vectorise with shifts of 32-bit lanes.
inline void AddTakenCells(const float* __restrict values, uint64_t take, float* __restrict sums,
                          int32_t* __restrict counts, size_t cells) {
    const size_t low = std::min<size_t>(cells, 32);
    AddCells(values, static_cast<uint32_t>(take), sums, counts, low);
    AddCells(values + low, static_cast<uint32_t>(take >> 32), sums + low, counts + low, cells - low);
}

// A whole row of AddTakenCells. Built for AVX2 too, eight cells at a time,
// and picked at load time; both give the same bits.
__attribute__((target_clones("avx2", "default"))) void AddRowCells(
    const float* __restrict values, uint64_t take, float* __restrict sums,
    int32_t* __restrict counts) {
    AddTakenCells(values, take, sums, counts, OutputStore::kRowCells);
}

}  // namespace

void OutputRecord::AddStep(std::span<const float> values, uint64_t given, float weight) {
    if (variables_ == 0 || values.size() < 2) return;
    // Cell c holds variable c + 1; only cells of the record's variables are
    // ever selected, and cells beyond the values are not taken.
    constexpr auto kRow = static_cast<size_t>(OutputStore::kRowCells);
    const bool wholeRow = values.size() > kRow;
    uint64_t take = (given >> 1) & *selectedCells_;
    if (!wholeRow) take &= (uint64_t{1} << (values.size() - 1)) - 1;
    if (weight != 1.0f) return AddWeighted(values, take, weight);
    if (wholeRow)
        AddRowCells(values.data() + 1, take, sum_, count_);
    else
        AddTakenCells(values.data() + 1, take, sum_, count_,
                      std::min(static_cast<size_t>(variables_), values.size() - 1));
}

// Apart from AddStep, so that the step of weight 1 at every zone and step
// is a short call that saves no registers.
[[gnu::noinline]] void OutputRecord::AddWeighted(std::span<const float> values, uint64_t take,
                                                 float weight) {
    for (uint64_t left = take; left != 0; left &= left - 1) {
        const auto variable = static_cast<int32_t>(std::countr_zero(left)) + 1;
        Add(variable, values[static_cast<size_t>(variable)], weight);
    }
}

namespace {

// One cell of a record as CellValue gives it, in lanes: the value (0 unless
// present) and whether the cell is selected, collected and present, each
// all bits set or 0. The quotient of a cell that is not present is computed
// and dropped (see AddStepCells on trapping-math), so that passes over a row
// vectorise; each lane's arithmetic is CellValue's, so the values are the
// same bits.
struct CellLane {
    double value;
    int32_t selected;
    int32_t collected;
    int32_t present;
};

inline CellLane ReadLane(int32_t selectedCell, int32_t byCount, float sum, int32_t count,
                         double summedDivisor) {
    const int32_t selected = -static_cast<int32_t>(selectedCell != 0);
    const int32_t collected = selected & -static_cast<int32_t>(count != 0);
    const int32_t present = collected & -static_cast<int32_t>(sum != kMissingValue);
    const double divisor = byCount != 0 ? static_cast<double>(count) : summedDivisor;
    const double value = static_cast<double>(sum) / divisor;
    return {present != 0 ? value : 0.0, selected, collected, present};
}

// `value` where `mask` is all bits set, +0.0 where it is 0.
double Masked(double value, int32_t mask) {
    return mask != 0 ? value : 0.0;
}

// A row's selection and by-count words split into a part of 32 cells and
// the rest, so that picking a cell's bit is a shift within a 32-bit lane
// and the passes below vectorise.
constexpr size_t kLowCells = 32;
constexpr size_t kHighCells = kRecordRowCells - kLowCells;
static_assert(RecordTotals::kCells == kRecordRowCells && RecordReading::kCells == kRecordRowCells &&
              kHighCells <= 32 && kHighCells % 8 == 0);

struct HalfRowBits {
    uint32_t selected;
    uint32_t byCount;
    size_t first;  // the part's first cell

    int32_t Selected(size_t cell) const { return static_cast<int32_t>((selected >> cell) & 1u); }
    int32_t ByCount(size_t cell) const { return static_cast<int32_t>((byCount >> cell) & 1u); }
};
HalfRowBits LowPart(uint64_t selectedCells, uint64_t byCountCells) {
    return {static_cast<uint32_t>(selectedCells), static_cast<uint32_t>(byCountCells), 0};
}
HalfRowBits HighPart(uint64_t selectedCells, uint64_t byCountCells) {
    return {static_cast<uint32_t>(selectedCells >> kLowCells),
            static_cast<uint32_t>(byCountCells >> kLowCells), kLowCells};
}

template <size_t kCells>
inline void ReadHalf(const HalfRowBits& half, const float* __restrict sums,
                     const int32_t* __restrict counts, double summedDivisor,
                     RecordReading& __restrict reading) {
    for (size_t cell = 0; cell < kCells; ++cell) {
        const size_t i = half.first + cell;
        const CellLane lane =
            ReadLane(half.Selected(cell), half.ByCount(cell), sums[i], counts[i], summedDivisor);
        reading.value[i] = lane.value;
        reading.selected[i] = lane.selected;
        reading.collected[i] = lane.collected;
        reading.present[i] = lane.present;
    }
}

// Built for AVX2 too, picked at load time; both give the same bits.
__attribute__((target_clones("avx2", "default"))) void ReadCells(
    uint64_t selectedCells, uint64_t byCountCells, const float* __restrict sums,
    const int32_t* __restrict counts, double summedDivisor, RecordReading& reading) {
    ReadHalf<kLowCells>(LowPart(selectedCells, byCountCells), sums, counts, summedDivisor, reading);
    ReadHalf<kHighCells>(HighPart(selectedCells, byCountCells), sums, counts, summedDivisor, reading);
}

// A cell without a value adds +0.0 to the totals, which leaves a sum that
// starts at +0.0 as it is, so the totals are those of adding the present
// values alone, record by record.
template <size_t kCells>
inline void TakeHalf(const HalfRowBits& half, float* __restrict sums, int32_t* __restrict counts,
                     double summedDivisor, double weight, float* __restrict numbers,
                     RecordTotals& __restrict totals) {
    constexpr float kNone = std::numeric_limits<float>::quiet_NaN();
    for (size_t cell = 0; cell < kCells; ++cell) {
        const size_t i = half.first + cell;
        const CellLane lane =
            ReadLane(half.Selected(cell), half.ByCount(cell), sums[i], counts[i], summedDivisor);
        numbers[i] = lane.present != 0 ? static_cast<float>(lane.value) : kNone;
        totals.missing[i] |= lane.collected & ~lane.present;
        totals.weighted[i] += Masked(lane.value * weight, lane.collected);
        totals.weight[i] += Masked(weight, lane.collected);
        totals.plain[i] += Masked(lane.value, lane.collected);
        totals.records[i] -= lane.collected;
        sums[i] = 0.0f;
        counts[i] = 0;
    }
}

// TakeInterval's pass, built for AVX-512 and AVX2 too and picked at load
// time; all give the same bits. AVX-512's mask registers take the lane
// selects and conversions in fewer instructions: on a Zen 5 the pass over a
// row in cache takes less than half the time of the AVX2 form.
__attribute__((target_clones("arch=x86-64-v4", "avx2", "default"))) void TakeCells(
    uint64_t selectedCells, uint64_t byCountCells, float* __restrict sums,
    int32_t* __restrict counts, double summedDivisor, double weight, float* __restrict numbers,
    RecordTotals& __restrict totals) {
    totals.selectedCells |= selectedCells;
    TakeHalf<kLowCells>(LowPart(selectedCells, byCountCells), sums, counts, summedDivisor, weight,
                        numbers, totals);
    TakeHalf<kHighCells>(HighPart(selectedCells, byCountCells), sums, counts, summedDivisor, weight,
                         numbers, totals);
}

}  // namespace

// The whole row, unused cells included (never selected: they read as not
// collected), so that the pass has no remainder.
void OutputRecord::Read(RecordReading& reading) const {
    reading.cells = std::min(static_cast<size_t>(variables_), RecordReading::kCells);
    if (variables_ == 0) {
        reading = RecordReading{};
        return;
    }
    ReadCells(*selectedCells_, *byCountCells_, sum_, count_, summedDivisor_, reading);
}

void OutputRecord::TakeInterval(float* numbers, RecordTotals& totals, double weight) {
    if (variables_ == 0) return;
    TakeCells(*selectedCells_, *byCountCells_, sum_, count_, summedDivisor_, weight, numbers, totals);
}

void OutputRecord::ResetVariable(int32_t variable) {
    if (!InRange(variable)) return;
    sum_[variable - 1] = 0.0f;
    count_[variable - 1] = 0;
}

void AssignIntervalText(std::string& text, const IntervalValue& value, char decimalSeparator) {
    if (value.state != IntervalValue::State::Present)
        text.assign(kMissingText);
    else
        AssignNumberText(text, static_cast<float>(value.value), decimalSeparator);
}

void OutputStore::SetVariable(int32_t handle, int32_t record, int32_t variable, bool selected,
                              Aggregation aggregation) {
    Handle* h = Find(handle);
    if (h == nullptr || record < 1 || record > h->records || variable < 1 ||
        variable > h->variables)
        return;
    const uint64_t bit = uint64_t{1} << (variable - 1);
    const auto setBit = [bit](uint64_t& cells, bool on) { cells = on ? cells | bit : cells & ~bit; };
    setBit(h->selectedCells[static_cast<size_t>(record - 1)], selected);
    setBit(h->byCountCells[static_cast<size_t>(record - 1)],
           aggregation == Aggregation::Averaged || h->scale == 0.0f);
}

bool OutputStore::IsSelected(int32_t handle, int32_t record, int32_t variable) const {
    return Record(handle, record).IsSelected(variable);
}

void OutputStore::Add(int32_t handle, int32_t record, int32_t variable, float value, float weight,
                      int32_t n) {
    Record(handle, record).Add(variable, value, weight, n);
}

IntervalValue OutputStore::Value(int32_t handle, int32_t record, int32_t variable) const {
    return Record(handle, record).Value(variable);
}

std::string OutputStore::ValueText(int32_t handle, int32_t record, int32_t variable,
                                   char decimalSeparator) const {
    std::string text;
    AssignIntervalText(text, Value(handle, record, variable), decimalSeparator);
    return text;
}

void OutputStore::Reset(int32_t handle) {
    Handle* h = Find(handle);
    if (h == nullptr) return;
    std::fill(h->sum.begin(), h->sum.end(), 0.0f);
    std::fill(h->count.begin(), h->count.end(), 0);
}

void OutputStore::ResetVariable(int32_t handle, int32_t record, int32_t variable) {
    Record(handle, record).ResetVariable(variable);
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
    const OutputRecord cells = Record(handle, record);
    return cells.InRange(variable) ? cells.sum_[variable - 1] : 0.0f;
}

int32_t OutputStore::Count(int32_t handle, int32_t record, int32_t variable) const {
    const OutputRecord cells = Record(handle, record);
    return cells.InRange(variable) ? cells.count_[variable - 1] : 0;
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
