#pragma once
// Daily schedules: a curve of values against the time of day.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "kz7/input/KeyedCollection.h"

namespace kz7 {

class EngineState;

struct ProfilePoint {
    float Time = 0.0f;   // hours
    float Value = 0.0f;  // percent when a gain uses it
};

class Profile {
  public:
    explicit Profile(EngineState& state) : state_(state) {}

    // Reads the record from the keyword line onward; false when the profile
    // is unusable (the message has then been shown).
    bool Read();
    void CreateStatic(const std::string& key);
    // The value at time of day `t`, hours.
    float Value(float t) const;
    // The largest value the profile takes in a day: that of its highest point,
    // as the values between points are interpolated.
    float Highest() const;

    std::string Key;
    bool IsStatic = false;
    float StaticValue = 0.0f;
    std::vector<ProfilePoint> Points;  // in the order read

  private:
    EngineState& state_;
};

class Profiles {
  public:
    explicit Profiles(EngineState& state) : state_(state) {}

    void Read();
    void Clear() { items_.Clear(); }
    int32_t Count() const { return items_.Count(); }
    void Remove(std::string_view key) { items_.Remove(key); }
    Profile* Item(int32_t position) const { return items_.Find(position); }
    // By key. An unknown key that reads as a number becomes a static profile
    // of that value; any other unknown key is reported and gives nullptr.
    Profile* Item(std::string_view key);
    Profile* CreateStatic(const std::string& key);
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

  private:
    EngineState& state_;
    KeyedCollection<Profile> items_;
};

// True when the whole trimmed text is one decimal number (the conversion a
// static profile key must pass).
bool IsNumberText(std::string_view text);

}  // namespace kz7
