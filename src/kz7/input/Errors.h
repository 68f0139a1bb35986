#pragma once
// The list of formatted error lines.
#include <cstdint>
#include <string>

namespace kz7 {

class EngineState;

class Errors {
public:
    explicit Errors(EngineState& state) : state_(state) {}

private:
    [[maybe_unused]] EngineState& state_;
};

}  // namespace kz7
