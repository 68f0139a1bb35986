#pragma once
// The site record and the top-level reader of a model document.
#include <cstdint>
#include <string>

namespace kz7 {

class EngineState;

class Site {
public:
    explicit Site(EngineState& state) : state_(state) {}

private:
    [[maybe_unused]] EngineState& state_;
};

}  // namespace kz7
