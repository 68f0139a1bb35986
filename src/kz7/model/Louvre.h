#pragma once
// Louvres: movable shading of glazing, deployed on a schedule.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "kz7/input/KeyedCollection.h"

namespace kz7 {

class EngineState;
class ProfileGroup;

class Louvre {
  public:
    static constexpr int32_t kCoefficients = 7;  // at 0°, 15°, ... 90°

    explicit Louvre(EngineState& state) : state_(state) {}

    void Read();
    // The direct-beam factor at solar altitude `angle` (degrees); 1 while
    // the louvre is not deployed (schedule value 50 or less).
    float ShadingCoefficient(float angle) const;

    std::string Key;
    ProfileGroup* OperationPG = nullptr;
    std::array<float, kCoefficients> Coefficients{};

  private:
    EngineState& state_;
};

class Louvres {
  public:
    explicit Louvres(EngineState& state) : state_(state) {}

    void Read();
    void Clear() { items_.Clear(); }
    int32_t Count() const { return items_.Count(); }
    void Remove(std::string_view key) { items_.Remove(key); }
    Louvre* Item(std::string_view key) const { return items_.Find(key); }
    Louvre* Item(int32_t position) const { return items_.Find(position); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

  private:
    EngineState& state_;
    KeyedCollection<Louvre> items_;
};

}  // namespace kz7
