#pragma once
// Costs of renewable systems.
#include <cstdint>
#include <string>

namespace kz7 {

class EngineState;

class RenewablesCosts {
public:
    explicit RenewablesCosts(EngineState& state) : state_(state) {}
    void Read() {}
    double TotalCost() const { return 0.0; }

private:
    [[maybe_unused]] EngineState& state_;
};

}  // namespace kz7
