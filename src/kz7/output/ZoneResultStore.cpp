#include "kz7/output/ZoneResultStore.h"

#include <algorithm>
#include <bit>
#include <string>

#include "kz7/engine/EngineState.h"
#include "kz7/model/Zone.h"
#include "kz7/output/BuildingRecord.h"
#include "kz7/output/OutputStore.h"
#include "kz7/platform/NumberText.h"

namespace kz7 {

namespace {

const std::string kTooManyZones = "Results are collected for the first " +
                                  std::to_string(OutputStore::kMaxRecords) +
                                  " zones only; the other zones send no result records";

constexpr size_t kZoneRecordSize = kZoneVariableCount + 1;

}  // namespace

ZoneResultStore::ZoneResultStore(EngineState& state, OutputStore& store, BuildingRecord& building)
    : state_(state), store_(store), building_(building), values_(kZoneRecordSize) {}

void ZoneResultStore::Control(int32_t code) {
    switch (code) {
        case -999:
            Close();
            break;
        case 0:
            sent_.fill(false);
            break;
        case 2:
            Open();
            break;
        case 5:
            Close();
            break;
        default:
            break;
    }
}

bool ZoneResultStore::GroupSelected(int32_t zoneIndex, int32_t group, int32_t interval) const {
    if (HostForcesInterval(state_.settings, interval)) return true;
    // The zone's own output selection: groups 1..10, intervals 1..4.
    const Zone* zone = state_.zones->Find(zoneIndex);
    if (zone == nullptr || group < 1 || group > kZoneOutputGroupCount || interval < 1 ||
        interval > kIntervalCount)
        return false;
    return zone->Outputs[static_cast<size_t>(group - 1)][static_cast<size_t>(interval - 1)] != 0;
}

// An interval is collected and sent when any zone has any output group
// selected for it.
bool ZoneResultStore::IntervalSelected(int32_t interval, int32_t records) const {
    for (int32_t zone = 1; zone <= records; ++zone)
        for (int32_t group = 1; group <= kZoneOutputGroupCount; ++group)
            if (GroupSelected(zone, group, interval)) return true;
    return false;
}

int32_t ZoneResultStore::Handle(int32_t interval) const {
    return interval >= 1 && interval <= kIntervalCount ? handles_[static_cast<size_t>(interval)]
                                                       : 0;
}

bool ZoneResultStore::IsSent(int32_t interval) const {
    return Handle(interval) != 0 && sent_[static_cast<size_t>(interval)];
}

bool ZoneResultStore::HasOpenHandle() const {
    return !collecting_.empty();
}

void ZoneResultStore::Open() {
    Close();  // a run that ended without a close leaves its handles to reuse
    const int32_t zoneCount = state_.zones->Count();
    if (zoneCount == 0) return;
    records_ = std::min(zoneCount, OutputStore::kMaxRecords);
    if (zoneCount > OutputStore::kMaxRecords) state_.message.SendTextMessage(kTooManyZones);
    FindZoneNumbers(records_);

    const bool keepStepHandle = state_.settings.outputDetailCode == 2;
    for (int32_t k = 1; k <= kIntervalCount; ++k) {
        const bool sent = IntervalSelected(k, records_);
        // With detail code 2 the time-step handle holds the current step's
        // values even when they are not sent; it is reset at every step end.
        if (!sent && !(k == 1 && keepStepHandle)) continue;
        const int32_t handle =
            store_.Allocate(static_cast<int16_t>(k), records_, kZoneVariableCount,
                            IntervalScale(k, state_.clock.timeStep));
        if (handle == 0) continue;
        for (int32_t record = 1; record <= records_; ++record) {
            for (const ZoneVariableInfo& variable : ZoneVariables()) {
                const bool selected = !sent || GroupSelected(record, variable.group, k);
                store_.SetVariable(handle, record, variable.position, selected,
                                   variable.aggregation);
            }
        }
        handles_[static_cast<size_t>(k)] = handle;
        sent_[static_cast<size_t>(k)] = sent;
        for (int32_t record = 1; record <= records_; ++record)
            cells_[static_cast<size_t>(k)].push_back(store_.Record(handle, record));
        collecting_.push_back(k);
    }
    const bool collecting = HasOpenHandle();
    for (int32_t record = 1; record <= zoneCount; ++record) {
        Zone* zone = state_.zones->Find(record);
        if (zone == nullptr) continue;
        zone->elements.NoteOutputCodes();  // the elements may have changed since the last run
        if (collecting) zone->stepValues.SetWanted(CollectedPositions(record));
    }
}

// Bit p set when some open handle collects position p of the record; none
// for a zone beyond the records.
uint64_t ZoneResultStore::CollectedPositions(int32_t record) const {
    uint64_t positions = 0;
    if (record < 1 || record > records_) return positions;
    for (const std::vector<OutputRecord>& cells : cells_) {
        if (cells.empty()) continue;
        const OutputRecord& row = cells[static_cast<size_t>(record - 1)];
        for (int32_t position = 1; position <= row.VariableCount(); ++position)
            if (row.IsSelected(position)) positions |= uint64_t{1} << position;
    }
    return positions;
}

void ZoneResultStore::Close() {
    if (records_ > 0 && state_.zones)  // zones file everything again outside a run's collection
        for (Zone& zone : *state_.zones) zone.stepValues.SetWanted(ZoneStepValues::kAllPositions);
    for (int32_t& handle : handles_) {
        store_.Free(handle);
        handle = 0;
    }
    for (std::vector<OutputRecord>& cells : cells_) cells.clear();
    collecting_.clear();
    sent_.fill(false);
    records_ = 0;
    numberOfZone_.clear();
}

void ZoneResultStore::FindZoneNumbers(int32_t records) {
    // Zones renumbered for a clash were reported when the model was read;
    // the host hears here which zones go by their position.
    std::vector<std::string> positional;
    zoneNumbers_ = state_.zones->ResultNumbers(nullptr, &positional);
    zoneNumbers_.resize(static_cast<size_t>(records) + 1, 0);
    for (const std::string& note : positional) state_.message.SendTextMessage(note);
    numberOfZone_.clear();
    int32_t record = 0;
    for (const Zone& zone : *state_.zones) {
        if (++record > records) break;
        numberOfZone_[&zone] = zoneNumbers_[static_cast<size_t>(record)];
    }
}

void ZoneResultStore::SendPlantSwitch(const Zone& zone, int32_t change) {
    const auto found = numberOfZone_.find(&zone);
    if (found == numberOfZone_.end()) return;  // not among the zones that send records
    ValueArray texts(2);                       // position 0 empty, as in every record
    AssignNumberText(texts[1], static_cast<float>(change), state_.settings.decimalSeparator);
    state_.outputData.SaveData(kPlantSwitchInterval, found->second, texts,
                               state_.clock.RecordDate(1), state_.clock.RecordTime(1));
}

void ZoneResultStore::Interval(bool discard, int32_t interval) {
    const int32_t handle = Handle(interval);
    if (handle == 0) return;
    if (!IsSent(interval) || discard) {
        store_.Reset(handle);
        return;
    }
    // Texts are formatted only for a host that takes them.
    const bool withTexts = state_.outputData.WantsTexts();
    SendZoneRecords(interval, withTexts);
    WriteBuildingValues(interval, withTexts);
}

void ZoneResultStore::RecordStep(const IntervalWeights& weights) {
    int32_t record = 0;
    for (const Zone& zone : *state_.zones) {
        if (++record > records_) break;
        RecordZone(record, zone, weights);
    }
}

void ZoneResultStore::RecordZone(int32_t record, const Zone& zone,
                                 const IntervalWeights& weights) {
    if (record < 1 || record > records_) return;
    for (const int32_t k : collecting_)
        cells_[static_cast<size_t>(k)][static_cast<size_t>(record - 1)].AddStep(
            zone.stepValues.Values(), zone.stepValues.SetPositions(),
            weights[static_cast<size_t>(k)]);
}

// Averaged variables give the floor-area-weighted mean over the zones that
// have a value (a plain mean when none of them has a positive floor area);
// summed variables the total. A zone whose value is missing makes the
// building value missing.
IntervalValue ZoneResultStore::BuildingTotals::Value(size_t cell, Aggregation aggregation) const {
    IntervalValue value;
    value.state = IntervalValue::State::Missing;
    if (cells_.records[cell] == 0 || cells_.missing[cell] != 0) return value;
    value.state = IntervalValue::State::Present;
    value.value = cells_.plain[cell];
    if (aggregation == Aggregation::Averaged)
        value.value = cells_.weight[cell] > 0.0
                          ? cells_.weighted[cell] / cells_.weight[cell]
                          : cells_.plain[cell] / static_cast<double>(cells_.records[cell]);
    return value;
}

void ZoneResultStore::WriteBuildingValues(int32_t interval, bool withTexts) {
    building_.Empty(interval, withTexts);
    RecordValues& values = building_.Values(interval);
    const char separator = state_.settings.decimalSeparator;
    for (const ZoneVariableInfo& variable : ZoneVariables()) {
        const auto cell = static_cast<size_t>(variable.position - 1);
        if (totals_.Selected(cell))
            values.Set(static_cast<size_t>(variable.position),
                       totals_.Value(cell, variable.aggregation), separator);
    }
    building_.MarkBuildingValues(interval);
}

// Each zone's record is read in one pass: its values, its share of the
// building values, and its sums restarted for the next interval (the texts,
// when a listener takes them, from a reading before that).
void ZoneResultStore::SendZoneRecords(int32_t interval, bool withTexts) {
    const int32_t handle = Handle(interval);
    const char separator = state_.settings.decimalSeparator;
    const double date = state_.clock.RecordDate(interval);
    const double time = state_.clock.RecordTime(interval);
    store_.CountSend(handle);
    totals_.Clear();
    for (int32_t record = 1; record <= records_; ++record) {
        const Zone* zone = state_.zones->Find(record);
        const double area =
            zone != nullptr && zone->FloorArea > 0.0f ? static_cast<double>(zone->FloorArea) : 0.0;
        OutputRecord& cells = cells_[static_cast<size_t>(interval)][static_cast<size_t>(record - 1)];
        values_.Begin(withTexts);
        if (withTexts) {
            cells.Read(reading_);
            values_.SetTexts(reading_, separator);
        }
        cells.TakeInterval(values_.RowNumbers(), totals_.Cells(), area);
        state_.outputData.SaveRecord({static_cast<int16_t>(interval),
                                      zoneNumbers_[static_cast<size_t>(record)],
                                      values_.Numbers(), date, time},
                                     values_.Texts());
    }
}

}  // namespace kz7
