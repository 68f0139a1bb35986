#include <algorithm>
#include <charconv>
#include <set>
#include <unordered_map>

#include "kz7/engine/EngineState.h"
#include "kz7/engine/SimKZ7.h"
#include "kz7/input/LineReader.h"
#include "kz7/model/SolvedZoneListener.h"
#include "kz7/model/Surface.h"
#include "kz7/model/Zone.h"
#include "kz7/platform/HugePages.h"
#include "kz7/weather/ElementSolar.h"
#include "kz7/weather/Location.h"

namespace kz7 {

namespace {
// Past a few hundred zones the zones' step state no longer stays in a
// core's second-level cache from one step to the next, nor its pages in
// the core's address translation.
constexpr int32_t kManyZones = 256;
// Zones whose objects lie further apart than this each are not asked for
// on huge pages: the pages would hold more of other things than of them.
constexpr size_t kMostBytesPerZone = size_t{64} << 10;
}  // namespace

Zone* Zones::Add(const std::string& key) {
    stepStarts_.clear();
    auto zone = std::make_unique<Zone>(state_);
    zone->Key = key;
    return items_.Append(key, std::move(zone));
}

void Zones::InitSimulation() {
    state_.message.UpdateProgress(0.0f);
    MatchPartitions();
    int32_t initialised = 0;
    for (Zone& zone : items_) {
        zone.InitSimulation();
        if (state_.engine->Cancelled) return;
        ++initialised;
        state_.message.UpdateProgress(static_cast<float>(initialised) / static_cast<float>(Count()));
    }
    PlanStepStarts();
    if (Count() >= kManyZones) KeepStepStateOnHugePages();
}

// Each zone's step reads its own object, its gains and its elements' block in
// a few lines apiece, on pages of their own: past a few hundred zones a
// step touches more 4 kB pages than a core keeps translated, and each zone
// would wait for its pages' translations (more of them than for its cache
// lines, which are asked for ahead). On huge pages the whole set takes a
// handful of translations. Nothing moves, so results are unchanged.
void Zones::KeepStepStateOnHugePages() const {
    AddressSpan span;
    for (const Zone& zone : items_) {
        span.Add(&zone, sizeof(Zone));
        for (const auto& gain : zone.gains) span.Add(gain.get(), sizeof(Gain));
        const std::span<const std::byte> block = zone.elements.StepBlock();
        span.Add(block.data(), block.size());
    }
    if (span.Last() - span.First() <= static_cast<size_t>(Count()) * kMostBytesPerZone)
        AskForHugePages(span);
}

// A zone's partitions add to the sums of the zone on their other side in
// the gains pass: that zone's step must have started by then. Every other
// zone starts its step in its own turn.
void Zones::PlanStepStarts() {
    std::unordered_map<const Zone*, size_t> positions;
    std::vector<Zone*> zones;
    for (Zone& zone : items_) {
        positions.emplace(&zone, zones.size());
        zones.push_back(&zone);
    }
    std::vector<size_t> startAt(zones.size());
    for (size_t i = 0; i < zones.size(); ++i) startAt[i] = i;
    for (size_t i = 0; i < zones.size(); ++i) {
        for (const Elements::PartitionPath& partition : zones[i]->elements.Partitions()) {
            for (const Zone* other : {partition.adjacent, partition.farZone}) {
                const auto found = positions.find(other);
                if (found != positions.end()) startAt[found->second] = std::min(startAt[found->second], i);
            }
        }
    }
    std::vector<size_t> order(zones.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return startAt[a] < startAt[b]; });
    stepStarts_.clear();
    startsInTurn_.assign(zones.size(), 0);
    for (const size_t i : order) {
        stepStarts_.push_back(zones[i]);
        ++startsInTurn_[startAt[i]];
    }
}

void Zones::InitDay() {
    for (Zone& zone : items_) zone.InitDay();
}

void Zones::InitTimeStep() {
    if (state_.settings.outputDetailCode == 1) OCCINI(2);
}

bool Zones::SimulateStep(SolvedZoneListener* solved) {
    // Every zone's gains come before any zone is solved, so a zone may read
    // the gains of its neighbours of the same step. The sun and sky are
    // the same for all of them.
    const SunView sun = Zone::StepSun(state_);
    // Past a few hundred zones the next zone's elements, and the lists of
    // the one after it, are asked for while this one's gains are worked
    // out. Below that the asking would only cost time.
    const bool prefetch = Count() >= kManyZones;
    // Each zone's step starts (Zone::InitTimeStep) in the same pass, in its
    // own turn or, when a partition of an earlier zone adds to its sums, in
    // that zone's turn: one pass over the zones fewer than starting them all
    // first, and the sums take the same terms in the same order.
    if (stepStarts_.size() != static_cast<size_t>(Count())) PlanStepStarts();
    auto starting = stepStarts_.begin();
    const uint32_t* startsInTurn = startsInTurn_.data();
    const auto end = items_.end();
    // Each zone is asked for in three turns: the lines of its own that
    // hold where its lists are, then the lists, then what they point at.
    auto third = items_.begin();
    for (int ahead = 0; ahead < 3 && third != end; ++ahead) ++third;
    for (auto next = items_.begin(); next != end; ++startsInTurn) {
        Zone& zone = *next;
        ++next;
        for (uint32_t n = *startsInTurn; n > 0; --n) (*starting++)->InitTimeStep();
        if (prefetch && next != end) {
            next->PrefetchElements();
            auto after = next;
            if (++after != end) after->PrefetchGainList();
            if (third != end) {
                third->PrefetchListPlaces();
                ++third;
            }
        }
        zone.SolveGains(sun);
        zone.Acum();
        if (state_.engine->Cancelled) {
            // The zones not reached still start their step: the step's
            // result filing reads them.
            while (starting != stepStarts_.end()) (*starting++)->InitTimeStep();
            // No zone is solved: the filing finds each zone's result values
            // empty, as the solution would have started them.
            for (Zone& unsolved : items_) unsolved.stepValues.Clear();
            return false;
        }
        state_.Yield();
    }
    // The solution reads the zone's circuit and coefficients: the next
    // zone's are asked for while this one is solved. When the listener
    // files each zone as it is solved, so are the next zone's step values
    // and its step flows, which the gains pass wrote a whole pass ago (the
    // lines saying where the flows lie a zone earlier still): at a thousand
    // zones the filing otherwise waited on them. The comfort extremes are
    // taken in the same pass unless the plant's switching must come first
    // (EndStep), and the listener hears of each zone while its step is
    // still in cache.
    const RunClock& clock = state_.clock;
    const bool extremes = !clock.warmUp && state_.settings.outputDetailCode != 2;
    int32_t position = 0;
    // Without a listener the values are left for whoever reads the zones.
    const bool fileValues = solved == nullptr || solved->ReadsStepValues();
    const bool filedAsSolved = solved != nullptr && solved->ReadsStepValues();
    for (auto next = items_.begin(); next != end;) {
        Zone& zone = *next;
        ++next;
        if (prefetch && next != end) {
            next->PrefetchCircuit();
            if (filedAsSolved) {
                next->PrefetchFiling();
                auto after = next;
                if (++after != end) after->PrefetchFilingPlaces();
            }
        }
        zone.SolveKZ7(fileValues);
        if (extremes) zone.UpdateStepExtremes();
        if (solved != nullptr) solved->ZoneSolved(++position, zone);
    }
    return true;
}

void Zones::EndStep() {
    // Only the plant's switching needs a pass of its own after the step's
    // records; otherwise SimulateStep has taken the extremes.
    if (state_.settings.outputDetailCode != 2) return;
    for (Zone& zone : items_) zone.EndStep();
}

void Zones::SendSummaryResultsEvents() {
    const std::vector<int32_t> numbers = ResultNumbers();
    size_t position = 0;
    for (Zone& zone : items_) zone.SendSummaryResultsEvents(numbers[++position]);
}

bool ZoneNumberFromKey(std::string_view key, int32_t& number) {
    const std::string trimmed = Trim(key);
    if (trimmed.empty()) return false;
    const char* first = trimmed.data();
    const char* last = first + trimmed.size();
    if (*first == '+') ++first;  // from_chars takes a minus sign only
    const auto [end, error] = std::from_chars(first, last, number);
    // 0 is the building's record and -1 a weather row: no zone may use them.
    return error == std::errc() && end == last && number > 0;
}

std::vector<int32_t> Zones::ResultNumbers(std::vector<std::string>* renumbered,
                                          std::vector<std::string>* positional) const {
    std::vector<int32_t> numbers(static_cast<size_t>(Count()) + 1, 0);
    std::set<int32_t> taken;
    // Keys that are numbers first, so that a zone keyed "1" keeps 1 even
    // when an unnumbered zone before it sits at position 1.
    int32_t position = 0;
    for (const Zone& zone : items_) {
        ++position;
        int32_t number = 0;
        if (ZoneNumberFromKey(zone.Key, number) && taken.insert(number).second)
            numbers[static_cast<size_t>(position)] = number;
    }
    position = 0;
    for (const Zone& zone : items_) {
        ++position;
        if (numbers[static_cast<size_t>(position)] != 0) continue;
        int32_t number = position;
        while (!taken.insert(number).second) ++number;
        numbers[static_cast<size_t>(position)] = number;
        const std::string sent = "; its results are sent as zone " + std::to_string(number);
        int32_t keyNumber = 0;
        if (ZoneNumberFromKey(zone.Key, keyNumber)) {
            if (renumbered)
                renumbered->push_back("Zone \"" + zone.Key + "\" has the result number " +
                                      std::to_string(keyNumber) + " of an earlier zone" + sent);
        } else if (number != position) {
            if (renumbered)
                renumbered->push_back("Zone \"" + zone.Key +
                                      "\" has no positive whole-number key and its position " +
                                      std::to_string(position) + " is another zone's number" +
                                      sent);
        } else if (positional) {
            positional->push_back("Zone \"" + zone.Key +
                                  "\" has no positive whole-number key" + sent);
        }
    }
    return numbers;
}

void Zones::CheckHeatLossConverged(bool& converged) const {
    converged = false;
    for (Zone& zone : items_) {
        bool zoneConverged = false;
        zone.CheckHeatLossConverged(zoneConverged);
        if (zoneConverged) {
            converged = true;
            return;
        }
    }
}

void Zones::OCCINI(int32_t code) {
    const int32_t detail = state_.settings.outputDetailCode;
    for (Zone& zone : items_) {
        if (code == 1) {
            zone.OCONOF = detail != 2 ? 1 : 0;
            zone.OCONOFN1 = 0;
        } else if (code == 2) {
            zone.OCONOFN1 = zone.OCONOF;
            zone.OCONOF = (zone.ISOCC() || detail != 1) ? 1 : 0;
        }
    }
}

float Zones::FloorArea() const {
    float total = 0.0f;
    for (Zone& zone : items_) total += zone.FloorArea;
    return total;
}

void Zones::GTOTFA(float& area, float& volume) const {
    constexpr float kMinimumHeight = 1.6f;
    area = 0.0f;
    volume = 0.0f;
    for (Zone& zone : items_) {
        if (zone.Volume / zone.FloorArea > kMinimumHeight) {
            area += zone.FloorArea;
            volume += zone.Volume;
        }
    }
}

}  // namespace kz7
