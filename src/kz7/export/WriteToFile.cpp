#include "kz7/export/WriteToFile.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <unordered_map>

#include "kz7/engine/EngineState.h"
#include "kz7/platform/CodePage.h"

namespace kz7 {

bool clsWriteToFile::Open(const std::string& fileName) {
    if (!file_.Open(fileName)) {
        state_.message.SendTextMessage(file_.Problem());
        return false;
    }
    return true;
}

bool clsWriteToFile::Close() {
    if (!file_.IsOpen()) return false;
    if (file_.Commit()) return true;
    state_.message.SendTextMessage(file_.Problem());
    return false;
}

void clsWriteToFile::Init() {
    zones_.Clear();
    currentZoneId_.clear();
    zoneBuffer_.clear();
    pass_ = writerMode == WriterMode::SBEMZoneMerging ? piSBEMZoneMergePass : piWriteToFilePass;
}

void clsWriteToFile::StartZoneProcess(const std::string& ZoneId) {
    currentZoneId_ = ZoneId;
    zoneBuffer_.clear();
}

void clsWriteToFile::EndZoneProcess(int32_t multiplier) {
    if (clsZoneData* listed = zones_.Find(currentZoneId_)) {
        listed->ZoneData = zoneBuffer_;
        listed->Multiplier = multiplier;
        return;
    }
    zones_.Append(currentZoneId_, std::make_unique<clsZoneData>(
                                      clsZoneData{currentZoneId_, zoneBuffer_, multiplier}));
}

void clsWriteToFile::MergeZones() {
    if (!allowMergeZones) return;
    // Each text's first zone (in list order) absorbs every later zone with
    // the same text; a zone already at 0 neither absorbs nor is absorbed.
    std::unordered_map<std::string_view, clsZoneData*> firstWithText;
    for (clsZoneData& zone : zones_) {
        if (zone.Multiplier <= 0 || zone.ZoneData.empty()) continue;
        auto [first, isNew] = firstWithText.try_emplace(zone.ZoneData, &zone);
        if (isNew) continue;
        // Summed without overflow: a wrapped sum would drop the group.
        first->second->Multiplier = static_cast<int32_t>(
            std::min<int64_t>(int64_t{first->second->Multiplier} + zone.Multiplier, INT32_MAX));
        zone.Multiplier = 0;
    }
}

void clsWriteToFile::WriteData(std::string_view text) {
    if (pass_ == piSBEMZoneMergePass) {
        // A line break after each line, so that two zones compare equal only
        // when their lines are equal one by one.
        zoneBuffer_.append(text);
        zoneBuffer_.push_back('\n');
        return;
    }
    file_.Write(encoding == TextEncoding::Windows1252 ? Utf8ToWindows1252(text) : std::string(text));
    file_.Write(lineEnding == LineEnding::CrLf ? "\r\n" : "\n");
}

int32_t clsWriteToFile::GetZoneMultiplier(const std::string& ZoneId) const {
    if (!allowMergeZones || pass_ == piSBEMZoneMergePass) return 1;
    if (const clsZoneData* listed = zones_.Find(ZoneId)) return listed->Multiplier;
    state_.ShowError("Error ZoneData not found for " + ZoneId);
    return 1;
}

}  // namespace kz7
