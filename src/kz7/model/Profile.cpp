#include "kz7/model/Profile.h"

#include <algorithm>
#include <cstdlib>

#include "kz7/engine/EngineState.h"
#include "kz7/input/RecordProblem.h"
#include "kz7/platform/NumberText.h"

namespace kz7 {

namespace {
constexpr double kWrapPeriod = 24.01;  // hours; the curve wraps over midnight with this period
}

bool IsNumberText(std::string_view text) {
    const std::string trimmed = Trim(text);
    if (trimmed.empty()) return false;
    char* end = nullptr;
    std::strtod(trimmed.c_str(), &end);
    return end != nullptr && *end == '\0';
}

bool Profile::Read() {
    LineReader& reader = state_.reader;
    Key = reader.NextString();
    while (true) {
        reader.NextLine();
        if (reader.AtEnd()) {
            state_.ShowError("Profile " + Key + " is cut off by the end of the file");
            break;
        }
        const std::string first = reader.NextString();
        if (first == "}") break;
        ProfilePoint point;
        point.Value = static_cast<float>(ParseLeadingNumber(first));
        point.Time = reader.NextSingle();
        Points.push_back(point);
    }
    // A curve without points has no value to give; it is refused here rather
    // than failing at the first time step that asks for it.
    if (Points.empty()) {
        state_.ShowError("Profile " + Key + " has no points and is ignored");
        return false;
    }
    return true;
}

void Profile::CreateStatic(const std::string& key) {
    Key = key;
    StaticValue = static_cast<float>(ParseLeadingNumber(key));
    IsStatic = true;
}

float Profile::Highest() const {
    if (IsStatic) return StaticValue;
    float highest = Points.empty() ? 0.0f : Points.front().Value;
    for (const ProfilePoint& point : Points) highest = std::max(highest, point.Value);
    return highest;
}

float Profile::Value(float t) const {
    if (IsStatic) return StaticValue;
    if (Points.empty()) return 0.0f;
    const ProfilePoint& first = Points.front();
    const ProfilePoint& last = Points.back();
    double t0, v0, t1, v1;
    size_t i = 0;
    while (i < Points.size() && !(Points[i].Time > t)) ++i;
    if (i < Points.size()) {
        t1 = Points[i].Time;
        v1 = Points[i].Value;
        if (i > 0) {
            t0 = Points[i - 1].Time;
            v0 = Points[i - 1].Value;
        } else {
            t0 = last.Time - kWrapPeriod;
            v0 = last.Value;
        }
    } else {
        t0 = last.Time;
        v0 = last.Value;
        t1 = first.Time + kWrapPeriod;
        v1 = first.Value;
    }
    return static_cast<float>((t - t0) * (v1 - v0) / (t1 - t0) + v0);
}

void Profiles::Read() {
    auto profile = std::make_unique<Profile>(state_);
    if (!profile->Read()) return;
    const std::string key = profile->Key;
    state_.recordOrigins.Note(state_, key, items_.KeyedInsert(key, std::move(profile)) != nullptr);
}

Profile* Profiles::Item(std::string_view key) {
    if (Profile* found = items_.Find(key)) return found;
    if (IsNumberText(key)) return CreateStatic(std::string(key));
    ReportRecordProblem(state_, "Profile " + std::string(key) +
                                    " not defined and not a number; its days take the value 0");
    return nullptr;
}

Profile* Profiles::CreateStatic(const std::string& key) {
    auto profile = std::make_unique<Profile>(state_);
    profile->CreateStatic(key);
    if (Profile* added = items_.KeyedInsert(key, std::move(profile))) return added;
    return items_.Find(key);
}

}  // namespace kz7
