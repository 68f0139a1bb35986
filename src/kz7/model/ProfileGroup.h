#pragma once
// Profile groups: one daily profile for each month and day type.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "kz7/input/KeyedCollection.h"

namespace kz7 {

class EngineState;
class Profile;

class ProfileGroup {
  public:
    static constexpr int32_t kMonths = 12;
    static constexpr int32_t kDayTypes = 7;

    explicit ProfileGroup(EngineState& state) : state_(state) {}

    void Read();
    void CreateStatic(const std::string& key);
    // The value at `time` (hours) on `dayType` (1 Monday .. 7 Sunday) of `month` (1..12).
    float Value(float time, int32_t dayType, int32_t month) const;
    // The value at the run clock, percent. Every zone, gain and air flow
    // that uses the group asks at the same time of the same day, so the
    // value is worked out once for each such time and kept: the same
    // function of the same time gives the same value, bit for bit. A
    // constant group answers inline: most schedules of a step are.
    float GRPVAL() const { return IsStatic ? StaticValue : ValueAtClock(); }

    Profile* ProfileFor(int32_t month, int32_t dayType) const;
    // The largest value the group takes on any day of the year.
    float Highest() const;

    std::string Key;
    bool IsStatic = false;
    float StaticValue = 0.0f;

  private:
    float ValueAtClock() const;

    EngineState& state_;
    std::array<std::array<Profile*, kDayTypes>, kMonths> profiles_{};
    // The run-clock time GRPVAL last worked out (the hour's bits, so that
    // only the very same time matches) and its value.
    struct ClockValue {
        uint32_t hourBits = 0;
        int32_t dayType = 0;  // 0: none yet
        int32_t month = 0;
        float value = 0.0f;
    };
    mutable ClockValue last_;
};

class ProfileGroups {
  public:
    explicit ProfileGroups(EngineState& state) : state_(state) {}

    void Read();
    void Clear() { items_.Clear(); }
    int32_t Count() const { return items_.Count(); }
    void Remove(std::string_view key) { items_.Remove(key); }
    ProfileGroup* Item(int32_t position) const { return items_.Find(position); }
    // By key. An unknown key becomes a static group of the key's leading
    // number (0 when it has none); only a number out of range is reported.
    ProfileGroup* Item(std::string_view key);
    ProfileGroup* CreateStatic(const std::string& key);
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

  private:
    EngineState& state_;
    KeyedCollection<ProfileGroup> items_;
};

}  // namespace kz7
