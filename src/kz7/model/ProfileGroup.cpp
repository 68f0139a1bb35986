#include "kz7/model/ProfileGroup.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#include "kz7/engine/EngineState.h"
#include "kz7/input/RecordProblem.h"
#include "kz7/model/Profile.h"
#include "kz7/platform/NumberText.h"

namespace kz7 {

void ProfileGroup::Read() {
    LineReader& reader = state_.reader;
    Key = reader.NextString();
    for (auto& month : profiles_) {
        reader.NextLine();
        if (reader.AtEnd()) {
            state_.ShowError("Profile group " + Key + " is cut off by the end of the file");
            return;
        }
        for (Profile*& profile : month) {
            const std::string key = reader.NextString();
            profile = key.empty() ? nullptr : state_.profiles->Item(key);
        }
    }
}

void ProfileGroup::CreateStatic(const std::string& key) {
    Key = key;
    StaticValue = static_cast<float>(ParseLeadingNumber(key));
    IsStatic = true;
}

Profile* ProfileGroup::ProfileFor(int32_t month, int32_t dayType) const {
    if (month < 1 || month > kMonths || dayType < 1 || dayType > kDayTypes) return nullptr;
    return profiles_[static_cast<size_t>(month - 1)][static_cast<size_t>(dayType - 1)];
}

float ProfileGroup::Highest() const {
    if (IsStatic) return StaticValue;
    // A day left without a profile gives 0, as in Value.
    float highest = -std::numeric_limits<float>::infinity();
    for (const auto& month : profiles_)
        for (const Profile* profile : month)
            highest = std::max(highest, profile != nullptr ? profile->Highest() : 0.0f);
    return highest;
}

float ProfileGroup::Value(float time, int32_t dayType, int32_t month) const {
    if (IsStatic) return StaticValue;
    // A day left without a profile (an undefined key) contributes nothing.
    const Profile* profile = ProfileFor(month, dayType);
    return profile != nullptr ? profile->Value(time) : 0.0f;
}

float ProfileGroup::ValueAtClock() const {
    const RunClock& clock = state_.clock;
    const auto hourBits = std::bit_cast<uint32_t>(clock.decimalHour);
    if (hourBits != last_.hourBits || clock.dayType != last_.dayType ||
        clock.month != last_.month || last_.dayType == 0)
        last_ = {hourBits, clock.dayType, clock.month,
                 Value(clock.decimalHour, clock.dayType, clock.month)};
    return last_.value;
}

void ProfileGroups::Read() {
    auto group = std::make_unique<ProfileGroup>(state_);
    group->Read();
    const std::string key = group->Key;
    state_.recordOrigins.Note(state_, key, items_.KeyedInsert(key, std::move(group)) != nullptr);
}

ProfileGroup* ProfileGroups::Item(std::string_view key) {
    if (ProfileGroup* found = items_.Find(key)) return found;
    const double value = ParseLeadingNumber(key);
    if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max()) {
        ReportRecordProblem(state_, "Profile group " + std::string(key) + " not defined");
        return nullptr;
    }
    // A name that is not a number still makes a constant group (of 0): the
    // model runs as the engine always ran it, and the user is told.
    if (!key.empty() && !IsNumberText(key))
        ReportRecordProblem(state_, "Profile group " + std::string(key) +
                                        " not defined and not a number; it acts as a constant 0");
    return CreateStatic(std::string(key));
}

ProfileGroup* ProfileGroups::CreateStatic(const std::string& key) {
    auto group = std::make_unique<ProfileGroup>(state_);
    group->CreateStatic(key);
    if (ProfileGroup* added = items_.KeyedInsert(key, std::move(group))) return added;
    return items_.Find(key);
}

}  // namespace kz7
